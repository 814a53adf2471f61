#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tags {

// Windows-1251 is the one code page the transliteration understands, so every Unicode text is brought into it
// first. ASCII and the code page's own characters map directly; a character it lacks becomes its plain Latin
// form (PlainLatinOf: é -> e, ß -> ss, Greek in capitals); every other character, a surrogate pair included,
// becomes '?'. Appends to `out`.
void AppendCp1251(char32_t codePoint, std::string& out);

// All decoders keep each zero code unit as a zero byte, which separates the values of a frame that holds
// several; turn each malformed sequence into one '?', never read past `bytes`, and drop a byte-order mark at the
// start of each value.

// UTF-16 whose byte-order marks (FF FE or FE FF, one per value) decide the byte order; without one, that of
// the value before, else little-endian, as written by most taggers.
std::string Utf16ToCp1251(std::span<const char> bytes);

// UTF-16 big-endian; a byte-order mark, should a tagger have written one anyway, still decides.
std::string Utf16BeToCp1251(std::span<const char> bytes);

// UTF-8 that may be malformed, as found in tag frames.
std::string Utf8ToCp1251Lossy(std::span<const char> bytes);

// UTF-8 that must be valid, as for file names on Linux: nullopt when it is not, so that such a name can be used
// as it stands. The text ends at a zero byte.
std::optional<std::string> Utf8ToCp1251(std::string_view text);

}  // namespace tags
