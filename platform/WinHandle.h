#pragma once

#include "UniqueHandle.h"

#include <windows.h>

struct CWinHandleTraits {
    using Value = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
// An owned Win32 handle, closed when it goes away.
using CWinHandle = CUniqueHandle<CWinHandleTraits>;
