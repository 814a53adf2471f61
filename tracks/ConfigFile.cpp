#include "ConfigFile.h"

#include "ByteOrderMark.h"

CConfig ParseConfig(std::span<const char> data) {
    CConfig config;
    bool inLine = false;
    bool secondField = false;
    for (const char c : WithoutByteOrderMark(data)) {
        if (c == '\r' || c == '\n') {
            if (inLine && secondField) {
                break;
            }
            if (inLine) {
                inLine = false;
                secondField = true;
            }
            continue;
        }
        (secondField ? config.strPlaylist : config.strOutDir) += c;
        inLine = true;
    }
    return config;
}

int LineWithZeroByte(const CConfig& config) {
    if (config.strOutDir.find('\0') != std::string::npos) {
        return 1;
    }
    return config.strPlaylist.find('\0') != std::string::npos ? 2 : 0;
}
