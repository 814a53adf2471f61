#include "FrameText.h"

#include "Cp1251.h"

namespace tags {

void ReadFrameText(std::span<const char> content, TagText& text) {
    if (content.empty()) {
        text[0] = '\0';
        return;
    }
    const std::span<const char> encoded = content.subspan(1);
    switch (static_cast<unsigned char>(content[0])) {
        case 1:
            CopyTransliterated(Utf16ToCp1251(encoded), text);
            break;
        case 2:
            CopyTransliterated(Utf16BeToCp1251(encoded), text);
            break;
        case 3:
            CopyTransliterated(Utf8ToCp1251Lossy(encoded), text);
            break;
        default:
            CopyTransliterated(content, text);
            break;
    }
}

}  // namespace tags
