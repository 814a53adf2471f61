#include "Transliterate.h"

#include <array>
#include <limits>
#include <string_view>

namespace tags {
namespace {

// Indexed by (byte & 0x1F) for the capitals 0xC0-0xDF and the small letters 0xE0-0xFF alike; an empty entry
// (Ы, Э) leaves the byte unchanged.
constexpr std::array<std::string_view, 32> kLetters = {
    "A", "B", "V", "G", "D", "E", "ZH", "Z",  "I",  "I",   "K", "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "H", "TS", "CH", "SH", "SHT", "A", "",  "Y", "",  "YU", "YA",
};

constexpr std::int32_t kMaxLetters = 3;

}  // namespace

std::int32_t Transliterate(std::span<char> text, std::int32_t position) {
    if (position < 0 || static_cast<std::size_t>(position) >= text.size()) {
        return position;
    }
    const auto at = static_cast<std::size_t>(position);
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte == 0) {
        return position;
    }
    const std::string_view letters = byte >= 0xC0 ? kLetters[byte & 0x1F] : std::string_view{};
    if (letters.empty()) {
        return position + 1;
    }
    const bool fits =
        letters.size() <= text.size() - at && position <= std::numeric_limits<std::int32_t>::max() - kMaxLetters;
    if (!fits) {
        return position;
    }
    for (std::size_t i = 0; i < letters.size(); ++i) {
        text[at + i] = letters[i];
    }
    return position + static_cast<std::int32_t>(letters.size());
}

}  // namespace tags
