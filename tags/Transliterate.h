#pragma once

#include <string_view>

namespace tags {

// The plain printable Latin that one Windows-1251 byte becomes: 0 to 3 characters, all of them 0x20-0x7E.
// Printable ASCII stays itself; the Cyrillic letters come out in capitals (Щ -> SHT, Ё -> YO, Љ -> LJ); the
// code page's signs become their nearest ASCII (« -> ", € -> EUR, № -> N); zero, control bytes and the few signs
// without a plain form (¤, soft hyphen, °, ¶, the unassigned 0x98) come out as nothing.
std::string_view LatinOf(unsigned char byte);

}  // namespace tags
