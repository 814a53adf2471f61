#pragma once

// The activity log "Kelvara.log" in the working directory: one line per event, opened and
// closed around every line so that nothing stays open and a crash loses at most one line.

#include <string>

inline constexpr const char* kLogFileName = "Kelvara.log";

// Appends text and a line break, one event to a line: control characters in the text (a file name may hold
// a line break) are written escaped, as \n, \r, \t or \xNN. A log that cannot be opened is skipped.
void AppendLogLine(const std::string& text);

std::string EscapeControlCharacters(const std::string& text);

// Empties the log (once per process, at start-up).
void EmptyLog();
