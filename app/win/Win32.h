#pragma once

// <windows.h> for the Windows front end. It defines SetDlgItemText and GetDlgItemText as macros, which
// would rename IMainView's members in this folder only; the view calls the wide functions by name.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#undef SetDlgItemText
#undef GetDlgItemText
