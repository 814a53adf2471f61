#pragma once

// What must hold for any bytes handed to the configuration, playlist and entry-number functions, checked in one
// place so that the fuzzer and the regular test suite (on the kept fuzzer findings) apply exactly the same rules.
//
// One input carries three pieces, split at the first two occurrences of kPieceSeparator:
//
//     <Kelvara.ini bytes> "\n~~~~\n" <playlist bytes> "\n~~~~\n" <entry number text>
//
// The separators belong to no piece. A missing separator leaves the pieces after it empty; a third separator is
// part of the number text. Any other bytes, NUL and lone CR included, may appear in any piece.

#include "Playlist.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace configcheck {

inline constexpr std::string_view kPieceSeparator = "\n~~~~\n";

struct CInputPieces {
    std::string_view ini;
    std::string_view playlist;
    std::string_view numberText;
};

CInputPieces SplitInput(std::span<const char> input);

// Runs the pieces of `input` through ParseConfig, CountEntries, StoreEntries (into `table`) and EntryIndexFromText,
// and compares every result with a plain reference computation. Returns a description of the first rule broken, or
// nullopt when all hold. `table` must be all zeros on entry and is all zeros again on return, so that one table (it
// is 20 MB) serves every input; only the slots the playlist's lines can reach are checked and cleared.
std::optional<std::string> FindBrokenInvariant(std::span<const char> input, CEntryTable& table);

}  // namespace configcheck
