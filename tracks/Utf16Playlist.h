#pragma once

// Windows Notepad saves "Unicode" text as UTF-16 behind a byte-order mark. Such a playlist is turned into
// UTF-8, the encoding of every path inside Kelvara, one a line.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct CDecodedPlaylist {
    std::vector<char> data;                // UTF-8 lines, each ended by a line break
    std::vector<std::int32_t> unnameable;  // entry numbers whose path holds a lone surrogate, which names nothing
};

// nullopt when `data` does not start with a UTF-16 byte-order mark (little- or big-endian).
std::optional<CDecodedPlaylist> DecodeUtf16Playlist(std::span<const char> data);
