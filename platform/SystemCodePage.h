#pragma once

// Texts inside Kelvara are UTF-8 on every system. These meet the ones that come from outside in the system's
// own encoding.

#include <string>
#include <string_view>

// Bytes in the system's ANSI code page (GetACP: 1251 on a Russian Windows) as UTF-8. Unchanged on Linux,
// where texts are taken as they stand.
std::string SystemCodePageToUtf8(std::string_view text);

// The console shows what the program prints as UTF-8 (on Windows it would take it in the OEM code page).
void PrintUtf8ToTheConsole();
