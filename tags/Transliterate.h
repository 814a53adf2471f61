#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tags {

// The plain printable Latin that one Windows-1251 byte becomes: 0 to 3 characters, all of them 0x20-0x7E.
// Printable ASCII stays itself; the Cyrillic letters come out in capitals (Щ -> SHT, Ё -> YO, Љ -> LJ); the
// code page's signs become their nearest ASCII (« -> ", € -> EUR, № -> N); zero, control bytes and the few signs
// without a plain form (¤, soft hyphen, °, ¶, the unassigned 0x98) come out as nothing.
std::string_view LatinOf(unsigned char byte);

// Turns the Windows-1251 byte that the caller stored at `position` into its LatinOf letters, in place, and
// returns the next output position. A byte that becomes nothing writes nothing, so the next stored byte
// overwrites it and the text closes up.
//
// Never writes outside `text`: when the letters do not fit before its end (or `position` lies outside it),
// nothing is written and `position` is returned, so the caller's terminating zero lands on the stored byte and
// the text is cut there rather than split inside one letter's output.
std::int32_t Transliterate(std::span<char> text, std::int32_t position);

}  // namespace tags
