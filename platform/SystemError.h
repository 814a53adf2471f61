#pragma once

// The system's reason for the last failure of a file service on this thread ("No space left on device"),
// kept by the file layer so that messages can name the cause of what went wrong.

#include <string>

std::string LastSystemError();
// For the file layer (and its test seam): notes the reason of a failure that has just happened.
void NoteSystemError(std::string reason);
// Notes the reason the operating system gives for its last failed call (errno, or GetLastError on Windows).
void NoteLastSystemCallError();
