#pragma once

#include "TagText.h"

#include <cstddef>
#include <span>

namespace tags {

// Reads the title and artist out of an ID3v2 block (header included), each rewritten from its start; a text
// without a frame comes out empty. Texts are not trimmed.
//
// The block is scanned byte by byte from offset 1 rather than frame by frame, testing the artist identifier
// first, then the title identifier; found frames are not skipped, so the last occurrence of an identifier
// decides, even one inside another frame's content. The header's version byte picks the frame layout:
// 2 -> "TT2"/"TP1" with 6-byte headers and 3-byte sizes; 4 -> "TIT2"/"TPE1" with synchsafe sizes; any other
// -> "TIT2"/"TPE1" with plain big-endian sizes. Frame text honours the encoding byte (see ReadFrameText).
// Unsynchronisation is undone first where the header or, in v2.4, a frame's flags declare it: before v2.4 over
// the whole block, so that the scan sees the restored bytes; in v2.4 over the content of the frames read. Without
// those flags the bytes are scanned as they are.
//
// Nothing outside the block is read: a frame whose header runs past the block's end is ignored, and one whose
// content runs past it is cut at the end.
//
// Returns how many frame contents were decoded: at most two, the last title and the last artist occurrence,
// however many identifiers the block holds.
std::size_t ReadTagV2Texts(std::span<const char> block, TagText& title, TagText& artist);

}  // namespace tags
