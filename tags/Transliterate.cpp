#include "Transliterate.h"

#include <array>

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

}  // namespace tags
