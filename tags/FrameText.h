#pragma once

#include "TagText.h"

#include <span>

namespace tags {

// Rewrites `text` from a text frame's content (encoding byte first), in Latin capitals.
// Encodings 1 (UTF-16 with byte-order mark), 2 (UTF-16BE) and 3 (UTF-8) are decoded into Windows-1251 up to a
// terminating zero and then transliterated. Encoding 0 and unknown encodings pass the whole content, encoding
// byte included, byte by byte through the transliteration: legacy Cyrillic tags store Windows-1251 bytes under
// encoding 0, the 0 itself vanishes, and our own Latin tags read back unchanged.
void ReadFrameText(std::span<const char> content, TagText& text);

}  // namespace tags
