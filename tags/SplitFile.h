#pragma once

#include <cstddef>
#include <span>

namespace tags {

// The three pieces of an MP3 file, in file order; tagV2Size + audioSize + tagV1Size is always the file's size.
struct FileSplit {
    std::size_t tagV2Size = 0;  // ID3v2 block with its 10-byte header (and a v2.4 footer); 0 when there is none
    std::size_t audioSize = 0;
    std::size_t tagV1Size = 0;  // 128 when the file ends in an ID3v1 block, else 0
    // The ID3v2 header claims more bytes than the file holds before its ID3v1 block. The pieces are then cut
    // to the file, but their border is a guess: rewriting such a file could drop audio.
    bool damaged = false;
};

// Finds the pieces of a whole file's bytes. Damaged headers never make a piece reach outside the file:
// - a file starting with "ID3" but too short for the 10-byte header is all audio;
// - an ID3v2 size running past the file (less any ID3v1 block) is cut to what the file holds, and the split
//   is marked damaged;
// - an ID3v1 block is recognised only after a whole ID3v2 header, so a non-zero tagV2Size is at least 10.
FileSplit SplitPieces(std::span<const char> file);

// The same from the file's two ends alone, so that the audio need never be read: `head` is the first
// min(kSplitHeadSize, size) bytes and `tail` the last min(kSplitTailSize, size).
inline constexpr std::size_t kSplitHeadSize = 10;
inline constexpr std::size_t kSplitTailSize = 128;
FileSplit SplitFileEnds(std::span<const char> head, std::size_t fileSize, std::span<const char> tail);

}  // namespace tags
