#pragma once

#include "FileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

enum class EReadResult { Ok, OpenFailed, ReadFailed };

// Larger files are refused rather than held in memory whole.
inline constexpr std::uint64_t kMaxWholeFileSize = 0x7FFFFFFF;

// Reads a whole file with one size query and one read of exactly that size.
EReadResult ReadWholeFile(IFileSystem& fs, const std::string& path, std::vector<char>& data);
