#include "ActivityLog.h"

#include "LogFile.h"

#include <memory>
#include <mutex>

namespace {

// Lines come from the command's thread and from the conversion's helper threads.
struct CLogState {
    std::mutex mutex;
    std::unique_ptr<ILogFile> pFile;  // held for the process after StartLog, or for a CLogSession
    bool bOff = false;                // StartLog found no usable log: nothing is written
};

CLogState& State() {
    static CLogState state;
    return state;
}

std::unique_ptr<ILogFile> OpenOwnLog() {
    COpenedLog opened = OpenLogFile(kLogFileName);
    return opened.eResult == ELogOpen::Opened ? std::move(opened.pFile) : nullptr;
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

ELogStart StartLog() {
    CLogState& state = State();
    const std::lock_guard guard(state.mutex);
    state.pFile.reset();  // an earlier claim of this process is no other Kelvara's
    COpenedLog opened = OpenLogFile(kLogFileName);
    state.bOff = opened.eResult == ELogOpen::NotRegular || opened.eResult == ELogOpen::Busy;
    switch (opened.eResult) {
        case ELogOpen::Opened:
            opened.pFile->Empty();
            state.pFile = std::move(opened.pFile);
            return ELogStart::Started;
        case ELogOpen::NotRegular:
            return ELogStart::NotRegular;
        case ELogOpen::Busy:
            return ELogStart::Busy;
        case ELogOpen::Failed:
            break;
    }
    return ELogStart::Failed;
}

std::string LogStartProblem(ELogStart start) {
    switch (start) {
        case ELogStart::NotRegular:
            return std::string("ERROR: ") + kLogFileName + " is not a regular file; nothing is logged";
        case ELogStart::Busy:
            return std::string("ERROR: another Kelvara is using ") + kLogFileName + " here; nothing is logged";
        case ELogStart::Started:
        case ELogStart::Failed:
            break;
    }
    return {};
}

void EndLog() {
    CLogState& state = State();
    const std::lock_guard guard(state.mutex);
    state.pFile.reset();
    state.bOff = false;
}

void AppendLogLine(const std::string& text) {
    const std::string line = EscapeControlCharacters(text);
    CLogState& state = State();
    const std::lock_guard guard(state.mutex);
    if (state.bOff) {
        return;
    }
    if (state.pFile) {
        state.pFile->AppendLine(line);
    } else if (const auto own = OpenOwnLog()) {
        own->AppendLine(line);
    }
}

CLogSession::CLogSession() {
    CLogState& state = State();
    const std::lock_guard guard(state.mutex);
    if (!state.pFile && !state.bOff) {
        state.pFile = OpenOwnLog();
        m_bOpened = state.pFile != nullptr;
    }
}

CLogSession::~CLogSession() {
    if (m_bOpened) {
        CLogState& state = State();
        const std::lock_guard guard(state.mutex);
        state.pFile.reset();
    }
}
