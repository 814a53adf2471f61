#pragma once

#include "TagText.h"

#include <span>
#include <string>

namespace tags {

// A text frame's values (encoding byte first) in Windows-1251, joined with " / ". Values are separated by a
// zero character in every encoding; empty ones, such as after a terminating zero, are left out. Encodings
// 1 (UTF-16 with byte-order mark), 2 (UTF-16BE) and 3 (UTF-8) are decoded; encoding 0 is taken as Windows-1251
// bytes, as legacy Cyrillic tags store them, which keeps ISO-8859-1 ASCII as it is. Empty for an encoding byte
// above 3, which no version defines.
std::string FrameValues(std::span<const char> content);

// Rewrites `text` from the frame's values, in Latin capitals.
void ReadFrameText(std::span<const char> content, TagText& text);

}  // namespace tags
