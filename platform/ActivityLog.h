#pragma once

// The activity log "Kelvara.log" in the working directory: one line per event, handed to the system as soon
// as it is written, so that a crash loses no line. Opened and closed around every line, so that nothing stays
// open, except while a CLogSession keeps it open for a command of many lines.

#include <string>

inline constexpr const char* kLogFileName = "Kelvara.log";

// Appends text and a line break, one event to a line: control characters in the text (a file name may hold
// a line break) are written escaped, as \n, \r, \t or \xNN. A log that cannot be opened is skipped.
void AppendLogLine(const std::string& text);

std::string EscapeControlCharacters(const std::string& text);

// Empties the log (once per process, at start-up).
void EmptyLog();

// While one lives, the log stays open; one command at a time holds it.
class CLogSession {
  public:
    CLogSession();
    ~CLogSession();
    CLogSession(const CLogSession&) = delete;
    CLogSession& operator=(const CLogSession&) = delete;
};
