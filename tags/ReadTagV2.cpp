#include "ReadTagV2.h"

#include "ByteOrder.h"
#include "FrameText.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tags {
namespace {

enum class ESizeCoding { BigEndian24, BigEndian32, Synchsafe32 };

struct FrameLayout {
    std::string_view titleId;
    std::string_view artistId;
    std::size_t headerSize;
    ESizeCoding sizeCoding;
};

constexpr FrameLayout kLayoutV22{"TT2", "TP1", 6, ESizeCoding::BigEndian24};
constexpr FrameLayout kLayoutV23{"TIT2", "TPE1", 10, ESizeCoding::BigEndian32};
constexpr FrameLayout kLayoutV24{"TIT2", "TPE1", 10, ESizeCoding::Synchsafe32};

constexpr std::size_t kVersionOffset = 3;

FrameLayout LayoutOf(std::span<const char> block) {
    const std::uint8_t version = block.size() > kVersionOffset ? ByteAt(block, kVersionOffset) : 3;
    if (version == 2) {
        return kLayoutV22;
    }
    return version == 4 ? kLayoutV24 : kLayoutV23;
}

std::size_t FrameSizeAt(std::span<const char> block, std::size_t at, ESizeCoding coding) {
    switch (coding) {
        case ESizeCoding::BigEndian24:
            return BigEndianAt(block, at, 3);
        case ESizeCoding::Synchsafe32:
            return SynchsafeAt(block, at);
        case ESizeCoding::BigEndian32:
            break;
    }
    return BigEndianAt(block, at, 4);
}

void ReadFrameAt(std::span<const char> block, std::size_t at, const FrameLayout& layout, TagText& text) {
    const std::size_t contentStart = at + layout.headerSize;
    if (contentStart > block.size()) {
        return;
    }
    const std::size_t size = FrameSizeAt(block, at + layout.titleId.size(), layout.sizeCoding);
    ReadFrameText(block.subspan(contentStart, std::min(size, block.size() - contentStart)), text);
}

}  // namespace

void ReadTagV2(std::span<const char> block, TagText& title, TagText& artist) {
    title[0] = '\0';
    artist[0] = '\0';
    const FrameLayout layout = LayoutOf(block);
    // Each read rewrites its text whole, so only the last occurrence whose frame header fits can decide. Reading
    // just that one keeps a tag packed with identifiers linear instead of quadratic in its size.
    std::optional<std::size_t> lastTitle;
    std::optional<std::size_t> lastArtist;
    for (std::size_t at = 1; at + layout.headerSize <= block.size(); ++at) {
        if (HasIdAt(block, at, layout.artistId)) {
            lastArtist = at;
        } else if (HasIdAt(block, at, layout.titleId)) {
            lastTitle = at;
        }
    }
    if (lastTitle) {
        ReadFrameAt(block, *lastTitle, layout, title);
    }
    if (lastArtist) {
        ReadFrameAt(block, *lastArtist, layout, artist);
    }
}

}  // namespace tags
