#pragma once

// What must hold for any bytes handed to the tag functions, checked in one place so that the fuzzer and the
// regular test suite (on the kept fuzzer findings) apply exactly the same rules; the tag tables read texts as they do.

#include "ReadTagV2.h"
#include "TagText.h"

#include <optional>
#include <span>
#include <string>
#include <utility>

namespace tagcheck {

using TagReader = void (*)(std::span<const char>, tags::TagText&, tags::TagText&);
inline constexpr TagReader kReadTagV2Block = tags::ReadTagV2Texts;  // the reader of a block already in memory

// Title and artist as `read` leaves them in texts a previous file left full of '#' (all of the array where it is
// left unterminated). The bytes are read from a copy of exactly their size, so the sanitizer sees any read past it.
using Texts = std::pair<std::string, std::string>;
Texts Read(TagReader read, std::span<const char> bytes);

// Runs `file` as a whole file through the split, both readers (on its pieces and on the raw bytes; the ID3v2
// piece once more unsynchronised), the tag builder and a second conversion of the converted file. Returns a description
// of the first rule broken, or nullopt when all hold.
std::optional<std::string> FindBrokenInvariant(std::span<const char> file);

}  // namespace tagcheck
