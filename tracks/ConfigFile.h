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

// 1 or 2 when that line holds a zero byte, 0 when neither does. The system would take the zero for the end of
// the path, so a line such as "/home/me/victim.txt\0/out" would name victim.txt, not a folder.
int LineWithZeroByte(const CConfig& config);
