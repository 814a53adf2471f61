#pragma once

// The activity log's file as the system offers it; only ActivityLog.cpp uses it.

#include <memory>
#include <string_view>

class ILogFile {
  public:
    virtual ~ILogFile() = default;
    // Writes the text and the system's line break (CR LF on Windows) at the end, in one request.
    virtual void AppendLine(std::string_view text) = 0;
    virtual void Empty() = 0;
};

enum class ELogOpen {
    Opened,
    Failed,      // no log can be made here (a read-only folder)
    NotRegular,  // the name is a link, a folder, a FIFO or a device
    Busy,        // another process holds the claim
};

struct COpenedLog {
    ELogOpen eResult = ELogOpen::Failed;
    std::unique_ptr<ILogFile> pFile;  // set only when Opened
};

// Opens (creating) `name` for appending without following a link and without blocking, and claims it for as
// long as it is open, without waiting; opened unclaimed where the file system offers no claim.
COpenedLog OpenLogFile(const char* name);
