#include "ReadTagV1.h"

#include <algorithm>

namespace tags {
namespace {

constexpr std::size_t kTitleOffset = 3;
constexpr std::size_t kArtistOffset = 33;
constexpr std::size_t kFieldSize = 30;

void TrimTrailingSpaces(TagText& text, std::size_t length) {
    while (length > 0 && text[length - 1] == ' ') {
        text[--length] = '\0';
    }
}

void ReadField(std::span<const char> block, std::size_t offset, TagText& text) {
    const std::size_t start = std::min(offset, block.size());
    std::span<const char> field = block.subspan(start, std::min(kFieldSize, block.size() - start));
    field = field.first(static_cast<std::size_t>(std::find(field.begin(), field.end(), '\0') - field.begin()));
    TrimTrailingSpaces(text, CopyTransliterated(field, text));
}

}  // namespace

void ReadTagV1Texts(std::span<const char> block, TagText& title, TagText& artist) {
    ReadField(block, kTitleOffset, title);
    ReadField(block, kArtistOffset, artist);
}

}  // namespace tags
