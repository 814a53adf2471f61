#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tags {

// Windows-1251 is the one code page the transliteration understands, so every Unicode text is brought into it
// first. ASCII and the code page's own characters map directly; Latin-1 letters with diacritics lose them
// (é -> e, Ñ -> N); every other character, a surrogate pair included, becomes '?'.
char CodePointToCp1251(char32_t codePoint);

// All decoders stop at a terminating zero code unit, turn each malformed sequence into one '?', never read past
// `bytes`, and drop a leading byte-order mark.

// UTF-16 whose byte-order mark (FF FE or FE FF) decides the byte order; without one, little-endian, as written
// by most taggers.
std::string Utf16ToCp1251(std::span<const char> bytes);

// UTF-16 big-endian; a byte-order mark, should a tagger have written one anyway, still decides.
std::string Utf16BeToCp1251(std::span<const char> bytes);

// UTF-8 that may be malformed, as found in tag frames.
std::string Utf8ToCp1251Lossy(std::span<const char> bytes);

// UTF-8 that must be valid, as for file names on Linux: nullopt when it is not, so that such a name can be used
// as it stands.
std::optional<std::string> Utf8ToCp1251(std::string_view text);

}  // namespace tags
