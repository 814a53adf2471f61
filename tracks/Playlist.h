#pragma once

// An M3U playlist: one path a line; lines starting with '#' are comments, empty lines count nothing.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr std::int32_t kMaxEntries = 20000;
inline constexpr std::size_t kEntrySize = 1024;  // a path of at most 1023 bytes and its terminator

using CEntryTable = std::array<std::array<char, kEntrySize>, kMaxEntries>;

// Counts the entries of the whole playlist, however many there are.
std::int32_t CountEntries(std::span<const char> data);

// The numbers of the entries holding a zero byte: no path can, and the entry would be read only up to it.
std::vector<std::int32_t> EntriesWithZeroBytes(std::span<const char> data);

// Stores the first `count` entries into table slots 0, 1, ... (count at most kMaxEntries). A path
// too long for its slot is cut; the 1-based numbers of such entries are returned.
std::vector<std::int32_t> StoreEntries(std::span<const char> data, std::int32_t count, CEntryTable& table);
