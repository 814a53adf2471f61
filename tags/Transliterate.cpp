#include "Transliterate.h"

#include <array>
#include <limits>

namespace tags {
namespace {

// Indexed by (byte & 0x1F) for the capitals 0xC0-0xDF and the small letters 0xE0-0xFF alike.
constexpr std::array<std::string_view, 32> kLetters = {
    "A", "B", "V", "G", "D", "E", "ZH", "Z",  "I",  "I",   "K", "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "H", "TS", "CH", "SH", "SHT", "A", "Y", "Y", "E", "YU", "YA",
};

// 0x80-0xBF: the letters of the other Cyrillic alphabets and the typographic signs.
constexpr std::array<std::string_view, 64> kUpperHalf = {
    "DJ", "GJ", ",", "GJ", "\"", "...", "+", "+", "EUR", "%",   "LJ", "<",  "NJ", "KJ", "C",   "DZ",  // 80
    "DJ", "'",  "'", "\"", "\"", "*",   "-", "-", "",    "TM",  "LJ", ">",  "NJ", "KJ", "C",   "DZ",  // 90
    " ",  "U",  "U", "J",  "",   "G",   "|", "S", "YO",  "(C)", "YE", "\"", "-",  "",   "(R)", "YI",  // A0
    "",   "+-", "I", "I",  "G",  "u",   "",  "*", "YO",  "N",   "YE", "\"", "J",  "DZ", "DZ",  "YI",  // B0
};

// Printable ASCII, each character its own output.
constexpr std::string_view kPrintable =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";
static_assert(kPrintable.size() == 0x7F - 0x20);

constexpr std::int32_t kMaxLetters = 3;

}  // namespace

std::string_view LatinOf(unsigned char byte) {
    if (byte >= 0x20 && byte < 0x7F) {
        return kPrintable.substr(byte - 0x20u, 1);
    }
    if (byte >= 0xC0) {
        return kLetters[byte & 0x1Fu];
    }
    if (byte >= 0x80) {
        return kUpperHalf[byte - 0x80u];
    }
    return {};  // zero and control bytes
}

std::int32_t Transliterate(std::span<char> text, std::int32_t position) {
    if (position < 0 || static_cast<std::size_t>(position) >= text.size()) {
        return position;
    }
    const auto at = static_cast<std::size_t>(position);
    const std::string_view letters = LatinOf(static_cast<unsigned char>(text[at]));
    const bool fits =
        letters.size() <= text.size() - at && position <= std::numeric_limits<std::int32_t>::max() - kMaxLetters;
    if (!fits) {
        return position;
    }
    letters.copy(text.data() + at, letters.size());
    return position + static_cast<std::int32_t>(letters.size());
}

}  // namespace tags
