#include "SplitFile.h"

#include "ByteFields.h"
#include "ReadTagV2.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace tags {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kFooterSize = 10;
constexpr std::size_t kTagV1Size = 128;
constexpr std::uint8_t kFooterFlag = 0x10;

// Whether all N bytes at `at` could be read.
template <std::size_t N>
bool ReadExactly(const ReadBytesAt& read, std::uint64_t at, std::array<char, N>& into) {
    return read(at, into) == N;
}

// The size a header announces; only version 4 defines the footer flag.
std::uint64_t AnnouncedTagV2Size(std::span<const char> header) {
    std::uint64_t size = SynchsafeAt(header, 6) + kHeaderSize;
    if (ByteAt(header, 3) == 4 && (ByteAt(header, 5) & kFooterFlag) != 0) {
        size += kFooterSize;
    }
    return size;
}

// A whole ID3v2 tag at `at` that ends by `end`: its size, else 0.
std::uint64_t TagV2At(const ReadBytesAt& read, std::uint64_t at, std::uint64_t end) {
    std::array<char, kHeaderSize> header{};
    if (end - at < kHeaderSize || !ReadExactly(read, at, header) || !HasIdAt(header, 0, "ID3")) {
        return 0;
    }
    const std::uint8_t version = ByteAt(header, 3);
    const bool wellFormed = version >= 2 && version <= 4 && ByteAt(header, 4) != 0xFF &&
                            std::none_of(header.begin() + 6, header.end(), [](char c) { return (c & 0x80) != 0; });
    const std::uint64_t size = AnnouncedTagV2Size(header);
    return wellFormed && size <= end - at ? size : 0;
}

std::uint32_t LittleEndianAt(std::span<const char> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(ByteAt(bytes, at) | ByteAt(bytes, at + 1) << 8 | ByteAt(bytes, at + 2) << 16 |
                                      ByteAt(bytes, at + 3) << 24);
}

// An APE tag's 32-byte footer or header: preamble, version, size, item count, flags, 8 reserved bytes.
constexpr std::size_t kApeFrameSize = 32;
constexpr std::uint32_t kApeHasHeader = 0x80000000;
constexpr std::uint32_t kApeIsHeader = 0x20000000;

bool IsApeFrame(std::span<const char> bytes, bool header) {
    const std::uint32_t version = LittleEndianAt(bytes, 8);
    const bool isHeader = (LittleEndianAt(bytes, 20) & kApeIsHeader) != 0;
    return HasIdAt(bytes, 0, "APETAGEX") && (version == 1000 || version == 2000) && isHeader == header;
}

// An APE tag ending at `end` that starts no earlier than `start`: its size with its header, else 0.
std::uint64_t ApeTagBefore(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end) {
    std::array<char, kApeFrameSize> footer{};
    if (end - start < kApeFrameSize || !ReadExactly(read, end - kApeFrameSize, footer) || !IsApeFrame(footer, false)) {
        return 0;
    }
    const std::uint64_t size = LittleEndianAt(footer, 12);  // items and footer
    const bool withHeader = (LittleEndianAt(footer, 20) & kApeHasHeader) != 0;
    const std::uint64_t total = size + (withHeader ? kApeFrameSize : 0);
    if (size < kApeFrameSize || total > end - start) {
        return 0;
    }
    std::array<char, kApeFrameSize> header{};
    if (withHeader && (!ReadExactly(read, end - total, header) || !IsApeFrame(header, true))) {
        return 0;
    }
    return total;
}

// Lyrics3 v2: "LYRICSBEGIN", fields, the six-digit size of all before it, "LYRICS200".
std::uint64_t Lyrics3V2Before(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end) {
    std::array<char, 15> trailer{};
    if (end - start < trailer.size() || !ReadExactly(read, end - trailer.size(), trailer) ||
        !HasIdAt(trailer, 6, "LYRICS200") ||
        !std::all_of(trailer.begin(), trailer.begin() + 6, [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    std::uint64_t size = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        size = size * 10 + static_cast<std::uint64_t>(trailer[i] - '0');
    }
    const std::uint64_t total = size + trailer.size();
    std::array<char, 11> begin{};
    if (size < begin.size() || total > end - start || !ReadExactly(read, end - total, begin) ||
        !HasIdAt(begin, 0, "LYRICSBEGIN")) {
        return 0;
    }
    return total;
}

// Lyrics3 v1: "LYRICSBEGIN", at most 5100 bytes of lyrics, "LYRICSEND".
std::uint64_t Lyrics3V1Before(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end) {
    constexpr std::string_view kBegin = "LYRICSBEGIN";
    constexpr std::string_view kEnd = "LYRICSEND";
    constexpr std::size_t kMaxLyrics = 5100;
    std::array<char, kEnd.size()> trailer{};
    if (end - start < kBegin.size() + kEnd.size() || !ReadExactly(read, end - kEnd.size(), trailer) ||
        !HasIdAt(trailer, 0, kEnd)) {
        return 0;
    }
    const std::uint64_t windowEnd = end - kEnd.size();
    std::vector<char> window(
        static_cast<std::size_t>(std::min<std::uint64_t>(windowEnd - start, kMaxLyrics + kBegin.size())));
    if (read(windowEnd - window.size(), window) != window.size()) {
        return 0;
    }
    const auto found = std::search(window.begin(), window.end(), kBegin.begin(), kBegin.end());
    if (found == window.end()) {
        return 0;
    }
    return static_cast<std::uint64_t>(window.end() - found) + kEnd.size();
}

std::uint64_t TagV1Before(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end) {
    std::array<char, 3> id{};
    const bool found = end - start >= kTagV1Size && ReadExactly(read, end - kTagV1Size, id) && HasIdAt(id, 0, "TAG");
    return found ? kTagV1Size : 0;
}

// Strips the tags that end where the audio now ends, as long as any is found, so that what is left ends in none
// and a second run finds nothing more to strip.
std::uint64_t AudioEndBeforeTags(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end) {
    while (true) {
        std::uint64_t size = TagV1Before(read, start, end);
        size = size != 0 ? size : ApeTagBefore(read, start, end);
        size = size != 0 ? size : Lyrics3V2Before(read, start, end);
        size = size != 0 ? size : Lyrics3V1Before(read, start, end);
        if (size == 0) {
            return end;
        }
        end -= size;
    }
}

void FindOtherTags(const ReadBytesAt& read, FileSplit& split, std::uint64_t end) {
    std::uint64_t start = split.tagV2Size;
    while (const std::uint64_t size = TagV2At(read, start, end)) {
        start += size;
    }
    end = AudioEndBeforeTags(read, start, end);
    split.audioOffset = static_cast<std::size_t>(start);
    split.audioSize = static_cast<std::size_t>(end - start);
}

// Whether the last 128 bytes of the file start inside an ID3v2 tag that the file holds whole and whose frames
// fill it: "TAG" there is a text of the tag (a converted tiny song's may hold it), not an ID3v1 block. One
// whose frames end in padding before it is taken for an ID3v1 block, and the tag's size for damaged.
bool InsideWholeTagV2(const ReadBytesAt& read, std::uint64_t announced, std::uint64_t fileSize) {
    return announced != 0 && announced <= fileSize && fileSize - kTagV1Size < announced &&
           FramesFillTag(read, announced);
}

}  // namespace

FileSplit SplitTags(const ReadBytesAt& read, std::uint64_t fileSize) {
    std::array<char, kHeaderSize> header{};
    const bool hasTagV2 = fileSize >= kHeaderSize && ReadExactly(read, 0, header) && HasIdAt(header, 0, "ID3");
    const std::uint64_t announced = hasTagV2 ? AnnouncedTagV2Size(header) : 0;
    const std::uint64_t tagV1Earliest = hasTagV2 ? kHeaderSize : 0;

    FileSplit split;
    std::array<char, 3> id{};
    if (fileSize >= tagV1Earliest + kTagV1Size && ReadExactly(read, fileSize - kTagV1Size, id) &&
        HasIdAt(id, 0, "TAG") && !InsideWholeTagV2(read, announced, fileSize)) {
        split.tagV1Size = kTagV1Size;
    }
    const std::uint64_t end = fileSize - split.tagV1Size;
    if (hasTagV2) {
        split.damaged = announced > end;
        split.tagV2Size = static_cast<std::size_t>(std::min(announced, end));
    }
    split.audioOffset = split.tagV2Size;
    split.audioSize = static_cast<std::size_t>(end - split.tagV2Size);
    if (!split.damaged) {
        FindOtherTags(read, split, end);
    }
    return split;
}

FileSplit SplitPieces(std::span<const char> file) {
    return SplitTags(ReaderOf(file), file.size());
}

}  // namespace tags
