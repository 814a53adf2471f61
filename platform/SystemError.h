#pragma once

// The system's reason for a failed file service ("No space left on device"), noted by the file layer where the
// call failed so that messages can name the cause. Whoever needs the cause takes it at once, after the call
// that failed (CFileError::Take), and carries it from there.

#include <string>

std::string LastSystemError();
// Whether the last noted failure was a full disk (or quota), after which a smaller piece of work may still fit.
bool LastSystemErrorIsNoSpace();
// For the file layer (and its test seam): notes the reason of a failure that has just happened.
void NoteSystemError(std::string reason, bool noSpace = false);
// Notes the reason the operating system gives for its last failed call (errno, or GetLastError on Windows).
void NoteLastSystemCallError();

// A failure's cause, captured from the call that failed.
struct CFileError {
    std::string strReason;
    bool bNoSpace = false;
    static CFileError Take() { return {LastSystemError(), LastSystemErrorIsNoSpace()}; }
};
