#pragma once

// Why a file service failed ("No space left on device"), taken from the call that failed and carried from there
// by whoever reports it: no later call, on any thread, can change it.

#include <string>

struct CFileError {
    std::string strReason;
    bool bNoSpace = false;  // a full disk (or quota), after which a smaller piece of work may still fit
};

// The cause the operating system gives for its last failed call (errno, or GetLastError on Windows), to be taken
// at once after that call.
CFileError SystemCallError();
