#include "ActivityLog.h"

#include <cstdio>
#include <memory>

namespace {

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CStdFile = std::unique_ptr<std::FILE, CFileCloser>;

// The log bypasses the file seam on purpose: it is no song, with no content to keep whole, so it needs none of
// the seam's rules; and it must still record the failures a test injects through the seam.
CStdFile OpenLog(const char* mode) {
    return CStdFile(std::fopen(kLogFileName, mode));
}

// Text mode, so that Windows writes each line break as CR LF.
constexpr const char* kAppend = "a+";

// The log a CLogSession keeps open; null outside one.
CStdFile& SessionLog() {
    static CStdFile log;
    return log;
}

}  // namespace

std::string EscapeControlCharacters(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20) {
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\t') {
            escaped += "\\t";
        } else {
            escaped += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    return escaped;
}

void AppendLogLine(const std::string& text) {
    CStdFile own = SessionLog() ? nullptr : OpenLog(kAppend);
    if (std::FILE* log = own ? own.get() : SessionLog().get()) {
        std::fprintf(log, "%s\n", EscapeControlCharacters(text).c_str());
        std::fflush(log);
    }
}

CLogSession::CLogSession() {
    SessionLog() = OpenLog(kAppend);
}

CLogSession::~CLogSession() {
    SessionLog().reset();
}

void EmptyLog() {
    OpenLog("w");
}
