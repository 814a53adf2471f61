#include "TagText.h"

#include "Transliterate.h"

#include <algorithm>
#include <cstdint>

namespace tags {

std::size_t CopyTransliterated(std::span<const char> source, TagText& text) {
    // Transliterate only sees the letter area, so the terminator's byte always stays free.
    const std::span<char> letters(text.data(), kMaxTextLength);
    std::int32_t position = 0;
    for (const char byte : source) {
        if (static_cast<std::size_t>(position) >= kMaxTextLength) {
            break;
        }
        text[static_cast<std::size_t>(position)] = byte;
        const std::int32_t next = Transliterate(letters, position);
        if (next == position && byte != '\0') {
            break;
        }
        position = next;
    }
    const auto length = static_cast<std::size_t>(position);
    text[length] = '\0';
    return length;
}

std::string_view TextOf(const TagText& text) {
    const auto end = std::find(text.begin(), text.end(), '\0');
    return {text.data(), static_cast<std::size_t>(end - text.begin())};
}

}  // namespace tags
