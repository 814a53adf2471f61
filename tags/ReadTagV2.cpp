#include "ReadTagV2.h"

#include "ByteFields.h"
#include "FrameData.h"
#include "FrameText.h"
#include "TagStream.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace tags {
namespace {

constexpr std::size_t kTagHeaderSize = 10;
constexpr std::uint8_t kTagUnsyncFlag = 0x80;
constexpr std::uint8_t kExtendedHeaderFlag = 0x40;  // in v2.2 the same bit marks a compressed tag

struct TagHeader {
    int version = 3;
    std::uint8_t flags = 0;
    std::uint64_t bodyEnd = 0;     // where the frames and padding end, within the block
    bool plainFrameSizes = false;  // v2.4 as iTunes wrote it: frame sizes not synchsafe
};

struct FrameLayout {
    std::string_view titleId;
    std::string_view artistId;
    std::size_t headerSize;
};

constexpr FrameLayout kLayoutV22{"TT2", "TP1", 6};
constexpr FrameLayout kLayoutV23{"TIT2", "TPE1", 10};

// A frame kept for decoding: its stored content (up to kMaxFrameContent bytes) and its flags.
struct Candidate {
    std::vector<char> stored;
    std::uint8_t flags = 0;
};

std::optional<TagHeader> ReadHeader(const ReadBytesAt& read, std::uint64_t blockSize) {
    std::array<char, kTagHeaderSize> header{};
    if (blockSize < kTagHeaderSize || read(0, header) != header.size()) {
        return std::nullopt;
    }
    const int version = ByteAt(header, 3);
    const std::uint64_t bodyEnd = std::min<std::uint64_t>(kTagHeaderSize + SynchsafeAt(header, 6), blockSize);
    return TagHeader{version == 2 || version == 4 ? version : 3, ByteAt(header, 5), bodyEnd};
}

// v2.3 counts the extended header's size without its own four bytes, v2.4 with them (and synchsafe).
bool SkipExtendedHeader(CTagStream& stream, const TagHeader& header) {
    if (header.version == 2 || (header.flags & kExtendedHeaderFlag) == 0) {
        return true;
    }
    std::array<char, 4> sizeBytes{};
    if (!stream.Read(sizeBytes)) {
        return false;
    }
    if (header.version == 4) {
        const std::uint32_t size = SynchsafeAt(sizeBytes, 0);
        return size >= sizeBytes.size() && stream.Skip(size - sizeBytes.size());
    }
    return stream.Skip(BigEndianAt(sizeBytes, 0, 4));
}

bool IsFrameId(std::span<const char> id) {
    return std::all_of(id.begin(), id.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// The content size of the frame whose header is `frameHeader`, or nullopt where it cannot be right.
std::optional<std::uint64_t> FrameSize(std::span<const char> frameHeader, const TagHeader& header) {
    if (header.version == 2) {
        return BigEndianAt(frameHeader, 3, 3);
    }
    if (header.version == 4 && !header.plainFrameSizes) {
        const bool synchsafe = std::none_of(frameHeader.begin() + 4, frameHeader.begin() + 8,
                                            [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; });
        return synchsafe ? std::optional<std::uint64_t>(SynchsafeAt(frameHeader, 4)) : std::nullopt;
    }
    return BigEndianAt(frameHeader, 4, 4);
}

// Keeps the frame's stored content, passing over whatever lies beyond what a text can use.
bool Keep(CTagStream& stream, std::uint64_t size, std::uint8_t flags, std::optional<Candidate>& kept) {
    Candidate candidate{std::vector<char>(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxFrameContent))),
                        flags};
    if (!stream.Read(candidate.stored) || !stream.Skip(size - candidate.stored.size())) {
        return false;
    }
    kept = std::move(candidate);
    return true;
}

enum class EWalkEnd { Broken, Padding, End };

// Tells where the walk ended: at a header that cannot be right, at padding, or at the end of the tag's body.
EWalkEnd WalkFrames(CTagStream& stream,
                    const TagHeader& header,
                    std::optional<Candidate>& title,
                    std::optional<Candidate>& artist) {
    const FrameLayout layout = header.version == 2 ? kLayoutV22 : kLayoutV23;
    std::array<char, 10> frameBytes{};
    const std::span<char> frameHeader(frameBytes.data(), layout.headerSize);
    while (stream.StoredLeft() != 0) {
        if (!stream.Read(frameHeader)) {
            return EWalkEnd::Broken;
        }
        if (frameHeader[0] == '\0') {
            return EWalkEnd::Padding;
        }
        const std::span<const char> id = frameHeader.first(layout.titleId.size());
        const std::optional<std::uint64_t> size = FrameSize(frameHeader, header);
        if (!IsFrameId(id) || !size || *size > stream.StoredLeft()) {
            return EWalkEnd::Broken;
        }
        const std::uint8_t flags = layout.headerSize == 10 ? ByteAt(frameHeader, 9) : 0;
        const std::string_view name(id.data(), id.size());
        const bool walking = name == layout.titleId    ? Keep(stream, *size, flags, title)
                             : name == layout.artistId ? Keep(stream, *size, flags, artist)
                                                       : stream.Skip(*size);
        if (!walking) {
            return EWalkEnd::Broken;
        }
    }
    return EWalkEnd::End;
}

struct KeptFrames {
    std::optional<Candidate> title;
    std::optional<Candidate> artist;
    EWalkEnd end = EWalkEnd::Broken;
    bool Clean() const { return end != EWalkEnd::Broken; }
};

KeptFrames WalkTag(const ReadBytesAt& read, const TagHeader& header) {
    // Before v2.4 unsynchronisation covers the whole tag after its header; in v2.4 each frame's content.
    const bool resynchronise = header.version != 4 && (header.flags & kTagUnsyncFlag) != 0;
    CTagStream stream(read, kTagHeaderSize, header.bodyEnd, resynchronise);
    KeptFrames kept;
    if (SkipExtendedHeader(stream, header)) {
        kept.end = WalkFrames(stream, header, kept.title, kept.artist);
    }
    return kept;
}

// iTunes wrote v2.4 tags with plain frame sizes, which only show once a frame is 128 bytes or more. Where the
// synchsafe sizes run into a header that cannot be right but the plain ones walk the whole tag, the plain ones hold.
KeptFrames WalkAnyTag(const ReadBytesAt& read, const TagHeader& header) {
    KeptFrames kept = WalkTag(read, header);
    if (!kept.Clean() && header.version == 4) {
        TagHeader plain = header;
        plain.plainFrameSizes = true;
        if (KeptFrames plainKept = WalkTag(read, plain); plainKept.Clean()) {
            return plainKept;
        }
    }
    return kept;
}

void Decode(const std::optional<Candidate>& candidate, const TagHeader& header, TagText& text) {
    if (!candidate) {
        return;
    }
    const FrameFormat format{header.version, candidate->flags,
                             header.version == 4 && (header.flags & kTagUnsyncFlag) != 0};
    if (const std::optional<std::vector<char>> data = FrameData(candidate->stored, format)) {
        ReadFrameText(*data, text);
    }
}

}  // namespace

void ReadTagV2Texts(const ReadBytesAt& read, std::uint64_t blockSize, TagText& title, TagText& artist) {
    title[0] = '\0';
    artist[0] = '\0';
    const std::optional<TagHeader> header = ReadHeader(read, blockSize);
    if (!header || (header->version == 2 && (header->flags & kExtendedHeaderFlag) != 0)) {
        return;
    }
    const KeptFrames kept = WalkAnyTag(read, *header);
    Decode(kept.title, *header, title);
    Decode(kept.artist, *header, artist);
}

bool FramesFillTag(const ReadBytesAt& read, std::uint64_t blockSize) {
    const std::optional<TagHeader> header = ReadHeader(read, blockSize);
    return header && !(header->version == 2 && (header->flags & kExtendedHeaderFlag) != 0) &&
           WalkAnyTag(read, *header).end == EWalkEnd::End;
}

void ReadTagV2Texts(std::span<const char> block, TagText& title, TagText& artist) {
    ReadTagV2Texts(ReaderOf(block), block.size(), title, artist);
}

}  // namespace tags
