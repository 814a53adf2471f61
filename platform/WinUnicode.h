#pragma once

// Windows only: texts inside Kelvara are UTF-8, the system's wide functions take UTF-16. Every conversion
// between the two happens here.

#include <string>
#include <string_view>

// A malformed sequence becomes U+FFFD, which no file name holds, so it can never name another file.
std::wstring WideFromUtf8(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// A path for the wide file functions: one that leads past the classic limit of 260 characters is made absolute
// and given the \\?\ prefix, which lifts the limit to 32767 characters.
std::wstring WidePath(const std::string& path);
