#include "LogFile.h"
#include "WinHandle.h"
#include "WinUnicode.h"

#include <windows.h>

#include <string>

namespace {

class CWinLogFile final : public ILogFile {
  public:
    explicit CWinLogFile(CWinHandle handle) : m_handle(std::move(handle)) {}

    // At the end as it is now, since the user may have emptied the file in an editor.
    void AppendLine(std::string_view text) override {
        std::string line(text);
        line += "\r\n";
        DWORD written = 0;
        if (::SetFilePointerEx(m_handle.Get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
            ::WriteFile(m_handle.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }

    void Empty() override {
        if (::SetFilePointerEx(m_handle.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
            ::SetEndOfFile(m_handle.Get());
        }
    }

    // One byte far past any end the log reaches, so that the claim never stands in a reader's way.
    bool Claim(bool& busy) {
        OVERLAPPED at{};
        at.Offset = 0xFFFFFFFEu;
        at.OffsetHigh = 0x7FFFFFFFu;
        if (::LockFileEx(m_handle.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            return true;
        }
        busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
        return false;
    }

  private:
    CWinHandle m_handle;
};

constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

}  // namespace

COpenedLog OpenLogFile(const char* name) {
    const std::wstring wide = WideFromUtf8(name);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotRegular) != 0) {
        return {ELogOpen::NotRegular, nullptr};
    }
    // Others may read, write and delete it: a reader such as Notepad must not be turned away.
    CWinHandle handle(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
    if (!handle) {
        return {ELogOpen::Failed, nullptr};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle.Get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle.Get(), &info) ||
        (info.dwFileAttributes & kNotRegular) != 0) {
        return {ELogOpen::NotRegular, nullptr};
    }
    auto file = std::make_unique<CWinLogFile>(std::move(handle));
    bool busy = false;
    if (!file->Claim(busy) && busy) {
        return {ELogOpen::Busy, nullptr};
    }
    return {ELogOpen::Opened, std::move(file)};
}
