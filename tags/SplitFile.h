#pragma once

#include "ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tags {

// The pieces of an MP3 file, in file order: the first ID3v2 block, any further tags, the audio, any further
// tags, the last ID3v1 block. audioOffset + audioSize + the tags after the audio is always the file's size.
struct FileSplit {
    std::size_t tagV2Size = 0;    // first ID3v2 block with its 10-byte header (and a v2.4 footer); 0 when none
    std::size_t audioOffset = 0;  // after the first ID3v2 block and the ID3v2 tags directly after it
    std::size_t audioSize = 0;
    std::size_t tagV1Size = 0;  // 128 when the file ends in an ID3v1 block, else 0
    // The ID3v2 header claims more bytes than the file holds before its ID3v1 block. The pieces are then cut
    // to the file, but their border is a guess: rewriting such a file could drop audio.
    bool damaged = false;
};

// Finds the pieces of a file of `fileSize` bytes, reading only the few bytes each decision needs. Besides the
// first ID3v2 block and the last ID3v1 block, the tags other programs leave are kept out of the audio, so that
// no player shows their texts after a rewrite: ID3v2 tags directly after the first; further ID3v1 blocks, APE
// tags (v1 and v2, with their header where the footer announces one) and Lyrics3 v1 and v2 blocks ending where
// the last ID3v1 block starts, or at the end, in any order. Each is recognised only by its whole structure with
// sizes that fit between the blocks already found; anything else stays audio. What is left as audio therefore
// ends in none of them, so a second split of the rewritten file finds the same audio.
//
// Damaged headers never make a piece reach outside the file:
// - a file starting with "ID3" but too short for the 10-byte header is all audio;
// - an ID3v2 size running past the file (less any ID3v1 block) is cut to what the file holds, and the split
//   is marked damaged; no further tags are then looked for;
// - an ID3v1 block is recognised only after a whole ID3v2 header, so a non-zero tagV2Size is at least 10, and
//   never inside an ID3v2 tag that the file holds whole and whose frames fill it: that "TAG" is its text.
FileSplit SplitTags(const ReadBytesAt& read, std::uint64_t fileSize);
FileSplit SplitPieces(std::span<const char> file);

}  // namespace tags
