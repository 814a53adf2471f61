#include "FrameText.h"

#include "Cp1251.h"

#include <string_view>

namespace tags {
namespace {

std::string Decoded(unsigned char encoding, std::span<const char> encoded) {
    switch (encoding) {
        case 0:
            return {encoded.begin(), encoded.end()};
        case 1:
            return Utf16ToCp1251(encoded);
        case 2:
            return Utf16BeToCp1251(encoded);
        case 3:
            return Utf8ToCp1251Lossy(encoded);
        default:
            return {};
    }
}

std::string JoinedValues(std::string_view separated) {
    std::string joined;
    while (!separated.empty()) {
        const std::size_t end = std::min(separated.find('\0'), separated.size());
        if (end != 0) {
            joined.append(joined.empty() ? "" : " / ").append(separated.substr(0, end));
        }
        separated.remove_prefix(std::min(end + 1, separated.size()));
    }
    return joined;
}

}  // namespace

std::string FrameValues(std::span<const char> content) {
    if (content.empty()) {
        return {};
    }
    return JoinedValues(Decoded(static_cast<unsigned char>(content[0]), content.subspan(1)));
}

void ReadFrameText(std::span<const char> content, TagText& text) {
    const std::string values = FrameValues(content);
    CopyTransliterated(values, text);
}

}  // namespace tags
