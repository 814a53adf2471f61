#include "TagText.h"

#include "Transliterate.h"

#include <algorithm>

namespace tags {

std::size_t CopyTransliterated(std::span<const char> source, TagText& text) {
    std::size_t length = 0;
    for (const char byte : source) {
        const std::string_view letters = LatinOf(static_cast<unsigned char>(byte));
        if (letters.size() > kMaxTextLength - length) {
            break;
        }
        letters.copy(text.data() + length, letters.size());
        length += letters.size();
    }
    text[length] = '\0';
    return length;
}

std::string_view TextOf(const TagText& text) {
    const auto end = std::find(text.begin(), text.end(), '\0');
    return {text.data(), static_cast<std::size_t>(end - text.begin())};
}

}  // namespace tags
