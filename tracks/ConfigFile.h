#pragma once

#include <span>
#include <string>

inline constexpr const char* kIniFileName = "Kelvara.ini";

struct CConfig {
    std::string strOutDir;
    std::string strPlaylist;
};

// The first two non-blank lines, byte for byte: nothing is trimmed. Lines may end in CR LF, LF or
// CR; a second line that runs to the end of the data ends there.
CConfig ParseConfig(std::span<const char> data);
