#pragma once

// Windows Notepad saves "Unicode" text as UTF-16 behind a byte-order mark. Such a playlist is turned into
// the bytes every other playlist holds: paths in the system's own encoding, one a line.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct CDecodedPlaylist {
    std::vector<char> data;                // lines in the system's path encoding, each ended by a line break
    std::vector<std::int32_t> unnameable;  // entry numbers whose path the system cannot spell
};

// nullopt when `data` does not start with a UTF-16 byte-order mark (little- or big-endian).
std::optional<CDecodedPlaylist> DecodeUtf16Playlist(std::span<const char> data);
