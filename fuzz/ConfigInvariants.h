#pragma once

// What must hold for any bytes handed to the configuration, playlist and entry-number functions, checked in one
// place so that the fuzzer and the regular test suite (on the kept fuzzer findings) apply exactly the same rules.
// One input is <Kelvara.ini bytes> "\n~~~~\n" <playlist bytes> "\n~~~~\n" <entry number text>; a missing
// separator leaves the pieces after it empty.

#include "Playlist.h"

#include <optional>
#include <span>
#include <string>

namespace configcheck {

// Returns a description of the first rule broken, or nullopt when all hold. `table` must be all zeros on entry and
// is all zeros again on return, so that one table (it is 20 MB) serves every input.
std::optional<std::string> FindBrokenInvariant(std::span<const char> input, CEntryTable& table);

}  // namespace configcheck
