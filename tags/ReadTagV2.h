#pragma once

#include "ByteSource.h"
#include "TagText.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tags {

// Reads the title and artist out of an ID3v2 block (header included) of `blockSize` bytes, each rewritten from
// its start; a text whose frame is missing or cannot be read comes out empty. Texts are not trimmed.
//
// The frames are walked from their headers, after an extended header where the tag has one, up to padding, the
// end of the tag, or a frame whose header or size cannot be right. Only these top-level frames count: a title
// inside a chapter, a picture or a comment is never taken. Version 2 reads "TT2"/"TP1", versions 3 and 4 (and
// any other) "TIT2"/"TPE1"; where an identifier occurs twice, the later frame decides. A v2.4 tag whose
// synchsafe frame sizes lead astray but whose plain sizes walk it whole is read with the plain ones, as iTunes
// wrote them. Unsynchronisation is
// undone as the header or the frame's flags declare it, the extra bytes of grouped frames and of a data length
// are skipped, compressed frames are inflated, and an encrypted frame counts as missing (see FrameData).
//
// Only the last title and artist frames are kept, each up to kMaxFrameContent bytes, so the memory needed does
// not grow with the tag. Nothing outside the block is read.
void ReadTagV2Texts(const ReadBytesAt& read, std::uint64_t blockSize, TagText& title, TagText& artist);
void ReadTagV2Texts(std::span<const char> block, TagText& title, TagText& artist);

// Whether the frames of the ID3v2 block fill it to the end of its body, without padding, so that every byte of
// it belongs to a frame, as in every tag this converter writes.
bool FramesFillTag(const ReadBytesAt& read, std::uint64_t blockSize);

}  // namespace tags
