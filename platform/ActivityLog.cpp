#include "ActivityLog.h"

#include <cstdio>
#include <memory>

namespace {

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CStdFile = std::unique_ptr<std::FILE, CFileCloser>;

CStdFile OpenLog(const char* mode) {
    return CStdFile(std::fopen(kLogFileName, mode));
}

}  // namespace

void AppendLogLine(const std::string& text) {
    // Text mode, so that Windows writes each line break as CR LF.
    if (CStdFile log = OpenLog("a+")) {
        std::fprintf(log.get(), "%s\n", text.c_str());
    }
}

void EmptyLog() {
    OpenLog("w");
}
