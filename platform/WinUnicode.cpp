#include "WinUnicode.h"

#include "SystemCodePage.h"

#include <windows.h>

namespace {

// Beyond this a folder cannot be created without the prefix (MAX_PATH less room for an 8.3 name).
constexpr std::size_t kClassicPathLimit = MAX_PATH - 12;

std::wstring Widen(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        return path;
    }
    full.resize(written);
    return full;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
    return Widen(CP_UTF8, text);
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::wstring WidePath(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.starts_with(L"\\\\?\\")) {
        return wide;
    }
    const std::wstring full = FullPath(wide);  // a short relative path may still lead to a long one
    if (full.size() < kClassicPathLimit) {
        return wide;
    }
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    }
    return L"\\\\?\\" + full;
}

std::string SystemCodePageToUtf8(std::string_view text) {
    return Utf8FromWide(Widen(CP_ACP, text));
}

void PrintUtf8ToTheConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
}
