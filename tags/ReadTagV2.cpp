#include "ReadTagV2.h"

#include "ByteFields.h"
#include "FrameText.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace tags {
namespace {

enum class ESizeCoding { BigEndian24, BigEndian32, Synchsafe32 };

// Unsynchronisation puts a 00 after every FF of the tag, so that no tag byte can pass for an MPEG frame sync.
// Before v2.4 the header flag covers the whole block after the header, and frame sizes count the restored bytes:
// the block is restored before frames are looked for. In v2.4 it covers a frame's content only, marked in the
// frame's format flags or, by the header flag, for every frame; sizes count the bytes as stored, so only the
// content read is restored.
enum class EUnsync { None, WholeBlock, FlaggedFrames, EveryFrame };

struct FrameLayout {
    std::string_view titleId;
    std::string_view artistId;
    std::size_t headerSize;
    ESizeCoding sizeCoding;
    EUnsync unsync = EUnsync::None;
};

constexpr FrameLayout kLayoutV22{"TT2", "TP1", 6, ESizeCoding::BigEndian24};
constexpr FrameLayout kLayoutV23{"TIT2", "TPE1", 10, ESizeCoding::BigEndian32};
constexpr FrameLayout kLayoutV24{"TIT2", "TPE1", 10, ESizeCoding::Synchsafe32};
static_assert(kLayoutV22.titleId[0] == kLayoutV22.artistId[0] && kLayoutV23.titleId[0] == kLayoutV23.artistId[0],
              "the frame scan looks for one first letter");

constexpr std::size_t kTagHeaderSize = 10;
constexpr std::size_t kVersionOffset = 3;
constexpr std::size_t kTagFlagsOffset = 5;
constexpr std::uint8_t kTagUnsyncFlag = 0x80;
constexpr std::size_t kFrameFormatFlagsOffset = 9;  // v2.4
constexpr std::uint8_t kFrameUnsyncFlag = 0x02;

bool HasUnsyncFlag(std::span<const char> block) {
    return block.size() > kTagFlagsOffset && (ByteAt(block, kTagFlagsOffset) & kTagUnsyncFlag) != 0;
}

FrameLayout LayoutOf(std::span<const char> block) {
    const std::uint8_t version = block.size() > kVersionOffset ? ByteAt(block, kVersionOffset) : 3;
    const bool flagged = HasUnsyncFlag(block);
    if (version == 4) {
        FrameLayout layout = kLayoutV24;
        layout.unsync = flagged ? EUnsync::EveryFrame : EUnsync::FlaggedFrames;
        return layout;
    }
    FrameLayout layout = version == 2 ? kLayoutV22 : kLayoutV23;
    layout.unsync = flagged ? EUnsync::WholeBlock : EUnsync::None;
    return layout;
}

// Each FF 00 becomes FF, in one pass.
std::vector<char> Resynchronised(std::span<const char> stored) {
    std::vector<char> restored;
    restored.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        restored.push_back(stored[i]);
        if (ByteAt(stored, i) == 0xFF && i + 1 < stored.size() && stored[i + 1] == 0) {
            ++i;
        }
    }
    return restored;
}

// The header stays as it is; it is never unsynchronised.
std::vector<char> WithBodyResynchronised(std::span<const char> block) {
    const std::size_t headerSize = std::min(block.size(), kTagHeaderSize);
    std::vector<char> restored(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(headerSize));
    const std::vector<char> body = Resynchronised(block.subspan(headerSize));
    restored.insert(restored.end(), body.begin(), body.end());
    return restored;
}

bool ContentIsUnsynchronised(std::span<const char> block, std::size_t at, const FrameLayout& layout) {
    return layout.unsync == EUnsync::EveryFrame ||
           (layout.unsync == EUnsync::FlaggedFrames &&
            (ByteAt(block, at + kFrameFormatFlagsOffset) & kFrameUnsyncFlag) != 0);
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
    const std::span<const char> content = block.subspan(contentStart, std::min(size, block.size() - contentStart));
    if (ContentIsUnsynchronised(block, at, layout)) {
        ReadFrameText(Resynchronised(content), text);
    } else {
        ReadFrameText(content, text);
    }
}

// Each read rewrites its text whole, so only the last occurrence whose frame header fits can decide. Reading
// just that one keeps a tag packed with identifiers linear instead of quadratic in its size. Both identifiers
// start with the same letter, so memchr finds every candidate position: most of a tag is a picture or padding,
// and this scan is most of the work of a song's tag.
std::size_t ReadLastFrames(std::span<const char> block, const FrameLayout& layout, TagText& title, TagText& artist) {
    std::optional<std::size_t> lastTitle;
    std::optional<std::size_t> lastArtist;
    const std::size_t end = block.size() >= layout.headerSize ? block.size() - layout.headerSize + 1 : 0;
    for (std::size_t at = 1; at < end; ++at) {
        const void* found = std::memchr(block.data() + at, layout.artistId[0], end - at);
        if (found == nullptr) {
            break;
        }
        at = static_cast<std::size_t>(static_cast<const char*>(found) - block.data());
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
    return static_cast<std::size_t>(lastTitle.has_value()) + static_cast<std::size_t>(lastArtist.has_value());
}

}  // namespace

std::size_t ReadTagV2Texts(std::span<const char> block, TagText& title, TagText& artist) {
    title[0] = '\0';
    artist[0] = '\0';
    const FrameLayout layout = LayoutOf(block);
    if (layout.unsync == EUnsync::WholeBlock) {
        return ReadLastFrames(WithBodyResynchronised(block), layout, title, artist);
    }
    return ReadLastFrames(block, layout, title, artist);
}

}  // namespace tags
