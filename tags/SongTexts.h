#pragma once

#include "ByteSource.h"
#include "TagText.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tags {

// Where a song's title and artist can come from.
struct SongTags {
    ReadBytesAt readTagV2;         // the file, or its ID3v2 block where that is already in memory
    std::uint64_t tagV2Size = 0;   // the first ID3v2 block's size; 0 when there is none
    std::span<const char> tagV1;   // the last ID3v1 block; empty when there is none
    std::string_view nameAsTitle;  // the file's name, in Windows-1251
};

// Each text falls back on its own: the title is the ID3v2 title, else the ID3v1 title, else the file name; the
// artist is the ID3v2 artist, else the ID3v1 artist, else empty. A text counts as missing when it holds nothing
// but spaces. All come out transliterated, so every byte is printable ASCII and a second run reads them back
// the same.
void ReadSongTexts(const SongTags& tags, TagText& title, TagText& artist);

}  // namespace tags
