#pragma once

#include "TagText.h"

#include <span>

namespace tags {

// Reads the title (bytes 3-32) and artist (bytes 33-62) of a 128-byte ID3v1 block through the transliteration,
// then trims trailing spaces, which pad the fixed-width fields. A field ends at its first zero byte, as every
// reader has it: what follows is padding or junk. A shorter block is read as far as it goes.
void ReadTagV1Texts(std::span<const char> block, TagText& title, TagText& artist);

}  // namespace tags
