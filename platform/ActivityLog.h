#pragma once

// The activity log "Kelvara.log" in the working directory: one line per event, handed to the system as soon
// as it is written, so that a crash loses no line. It is only ever a regular file: a link is not followed and a
// FIFO or device is never opened (it could lead out of the folder, or block the start-up).
//
// StartLog claims the log for the life of the process: a second Kelvara started in the same folder finds it
// claimed and logs nothing, so it neither empties the first one's log nor writes lines into the middle of its
// run. Before StartLog (and after EndLog) the log is opened and closed around each line, or around a
// CLogSession, and a line is skipped while another process holds the claim.

#include <string>

inline constexpr const char* kLogFileName = "Kelvara.log";

enum class ELogStart {
    Started,     // emptied and kept open, claimed for this process where the file system offers claims
    Failed,      // it cannot be opened (a read-only folder): each line tries again on its own
    NotRegular,  // a link, a folder, a FIFO or a device: nothing is logged
    Busy,        // another Kelvara holds it: nothing is logged
};

// Empties the log and claims it for the life of the process (once, at start-up).
ELogStart StartLog();
// What the status says at start-up when nothing will be logged; empty when the log works.
std::string LogStartProblem(ELogStart start);
// Gives the claim up: later lines open the log around each line again.
void EndLog();

// Appends text and a line break, one event to a line: control characters in the text (a file name may hold
// a line break) are written escaped, as \n, \r, \t or \xNN. A log that cannot be opened is skipped.
void AppendLogLine(const std::string& text);

std::string EscapeControlCharacters(const std::string& text);

// While one lives, the log stays open; one command at a time holds it.
class CLogSession {
  public:
    CLogSession();
    ~CLogSession();
    CLogSession(const CLogSession&) = delete;
    CLogSession& operator=(const CLogSession&) = delete;

  private:
    bool m_bOpened = false;
};
