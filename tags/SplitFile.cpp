#include "SplitFile.h"

#include "ByteFields.h"

#include <algorithm>

namespace tags {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kFooterSize = 10;
constexpr std::size_t kTagV1Size = 128;
constexpr std::uint8_t kFooterFlag = 0x10;

bool HasTagV2Header(std::span<const char> file) {
    return file.size() >= kHeaderSize && HasIdAt(file, 0, "ID3");
}

// The size the header announces; only version 4 defines the footer flag.
std::size_t AnnouncedTagV2Size(std::span<const char> file) {
    std::size_t size = SynchsafeAt(file, 6) + kHeaderSize;
    if (ByteAt(file, 3) == 4 && (ByteAt(file, 5) & kFooterFlag) != 0) {
        size += kFooterSize;
    }
    return size;
}

}  // namespace

FileSplit SplitFileEnds(std::span<const char> head, std::size_t fileSize, std::span<const char> tail) {
    const bool hasTagV2 = HasTagV2Header(head);
    const std::size_t tagV1Earliest = hasTagV2 ? kHeaderSize : 0;

    FileSplit split;
    if (fileSize >= tagV1Earliest + kTagV1Size && tail.size() >= kTagV1Size &&
        HasIdAt(tail, tail.size() - kTagV1Size, "TAG")) {
        split.tagV1Size = kTagV1Size;
    }
    if (hasTagV2) {
        const std::size_t announced = AnnouncedTagV2Size(head);
        split.damaged = announced > fileSize - split.tagV1Size;
        split.tagV2Size = std::min(announced, fileSize - split.tagV1Size);
    }
    split.audioSize = fileSize - split.tagV1Size - split.tagV2Size;
    return split;
}

FileSplit SplitPieces(std::span<const char> file) {
    return SplitFileEnds(file.first(std::min(file.size(), kSplitHeadSize)), file.size(),
                         file.last(std::min(file.size(), kSplitTailSize)));
}

}  // namespace tags
