#pragma once

// What must hold for any bytes handed to the tag functions, checked in one place so that the fuzzer and the
// regular test suite (on the kept fuzzer findings) apply exactly the same rules.

#include <optional>
#include <span>
#include <string>

namespace tagcheck {

// Runs `file` as a whole file through the split, both readers (on its pieces and on the raw bytes; the ID3v2
// piece once more unsynchronised), the tag builder and a second conversion of the converted file. Returns a description
// of the first rule broken, or nullopt when all hold.
std::optional<std::string> FindBrokenInvariant(std::span<const char> file);

}  // namespace tagcheck
