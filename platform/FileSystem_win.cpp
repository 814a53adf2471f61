#include "FileSystem.h"
#include "Path.h"
#include "SystemError.h"
#include "UniqueHandle.h"
#include "Wildcard.h"
#include "WinHandle.h"
#include "WinSecurity.h"
#include "WinUnicode.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

struct CFindHandleTraits {
    using Value = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { ::FindClose(handle); }
};
// A search handle, ended when it goes away.
using CFindHandle = CUniqueHandle<CFindHandleTraits>;

// Takes the system's reason of a failed call into `error`; returns `ok`.
bool Noted(bool ok, CFileError& error) {
    if (!ok) {
        error = SystemCallError();
    }
    return ok;
}

constexpr DWORD kMaxRequest = 1u << 30;  // ReadFile and WriteFile count in 32 bits

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// Repeats `request(done, want, moved)`, one ReadFile or WriteFile of `want` bytes (at most kMaxRequest) from
// `done` on that sets `moved`, until `size` bytes are moved, a request fails or one moves nothing.
template <typename Request>
std::size_t RequestUntilDone(std::size_t size, Request request) {
    std::size_t done = 0;
    while (done < size) {
        const auto want = static_cast<DWORD>(std::min<std::size_t>(size - done, kMaxRequest));
        DWORD moved = 0;
        if (!request(done, want, moved) || moved == 0) {
            break;
        }
        done += moved;
    }
    return done;
}

EFileKind KindOf(DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return EFileKind::Link;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EFileKind::Folder : EFileKind::Regular;
}

// The attributes a user or another program sets; the archive bit and the like are the system's own.
constexpr DWORD kUserAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::optional<CFileInfo> InfoOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    const auto written = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                         info.ftLastWriteTime.dwLowDateTime;
    CFileInfo result;
    result.id = {info.dwVolumeSerialNumber,
                 (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    result.eKind = KindOf(info.dwFileAttributes);
    result.nSize = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    result.bReadOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    result.nModified = static_cast<std::int64_t>(written);
    result.nMode = info.dwFileAttributes & kUserAttributes;
    return result;
}

class CWinFile final : public IFile {
  public:
    explicit CWinFile(CWinHandle handle) : m_handle(std::move(handle)) {}
    // The attributes are given back once the handle is closed: a read-only file cannot be opened for the flush.
    CWinFile(CWinHandle handle, std::string path, DWORD attributes)
        : m_handle(std::move(handle)), m_strRestorePath(std::move(path)), m_nRestoreAttributes(attributes) {}
    CWinFile(const CWinFile&) = delete;
    CWinFile& operator=(const CWinFile&) = delete;
    ~CWinFile() override {
        if (!m_strRestorePath.empty()) {
            m_handle = CWinHandle();
            ::SetFileAttributesW(WidePath(m_strRestorePath).c_str(), m_nRestoreAttributes);
        }
    }

    std::optional<std::uint64_t> Size() override {
        DWORD high = 0;
        const DWORD low = ::GetFileSize(m_handle.Get(), &high);
        if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) {
            return std::nullopt;
        }
        return (static_cast<std::uint64_t>(high) << 32) | low;
    }

    std::size_t Read(std::span<char> buffer) override {
        const std::size_t got = ReadAt(m_offset, buffer);
        m_offset += got;
        return got;
    }

    std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) override {
        const std::size_t done = RequestUntilDone(buffer.size(), [&](std::size_t at, DWORD want, DWORD& got) {
            OVERLAPPED overlapped = At(offset + at);
            return ::ReadFile(m_handle.Get(), buffer.data() + at, want, &got, &overlapped) != 0;
        });
        if (done != buffer.size()) {
            m_error = ::GetLastError() == ERROR_HANDLE_EOF ? CFileError{"unexpected end of file"} : SystemCallError();
        }
        return done;
    }

    std::size_t Write(std::span<const char> data) override {
        const std::size_t done = RequestUntilDone(data.size(), [&](std::size_t at, DWORD want, DWORD& put) {
            OVERLAPPED overlapped = At(m_offset + at);
            return ::WriteFile(m_handle.Get(), data.data() + at, want, &put, &overlapped) != 0;
        });
        Noted(done == data.size(), m_error);
        m_offset += done;
        return done;
    }

    // Windows offers no copy between two open files short of ReFS's block cloning: the bytes go through a
    // buffer in this process.
    std::uint64_t AppendFrom(IFile& source, std::uint64_t offset, std::uint64_t size) override {
        return AppendThroughBuffer(source, offset, size, *this, m_error);
    }

    bool Flush() override { return Noted(::FlushFileBuffers(m_handle.Get()) != 0, m_error); }


    std::optional<CFileInfo> Info() override { return InfoOfHandle(m_handle.Get()); }

    const CFileError& Error() const override { return m_error; }

  private:
    CWinHandle m_handle;
    CFileError m_error;
    std::uint64_t m_offset = 0;
    std::string m_strRestorePath;
    DWORD m_nRestoreAttributes = 0;
};

CFileHandle OpenFile(const std::string& path,
                     DWORD access,
                     DWORD share,
                     DWORD disposition,
                     CFileError& error,
                     DWORD flags = 0,
                     SECURITY_ATTRIBUTES* security = nullptr) {
    CWinHandle handle(::CreateFileW(WidePath(path).c_str(), access | FILE_READ_ATTRIBUTES, share, security,
                                    disposition, FILE_ATTRIBUTE_NORMAL | flags, nullptr));
    if (!Noted(static_cast<bool>(handle), error)) {
        return nullptr;
    }
    return std::make_unique<CWinFile>(std::move(handle));
}

// Opens the entry itself, not what a reparse point leads to, and refuses anything but a plain file.
CFileHandle OpenEntry(const std::string& path, DWORD access, DWORD share, CFileError& error) {
    CFileHandle file = OpenFile(path, access, share, OPEN_EXISTING, error, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!file) {
        return nullptr;
    }
    const std::optional<CFileInfo> info = file->Info();
    if (!info || info->eKind != EFileKind::Regular) {
        error = {"it is not a regular file"};
        return nullptr;
    }
    return file;
}

// Named for the folder's identity (its volume's serial number and its file index, read from a handle on the
// folder), so that every spelling of one folder, through another drive letter, a \\?\ prefix or a link,
// names one mutex. nullopt when the folder cannot be opened.
std::optional<std::wstring> MutexNameFor(const std::string& folder) {
    const CWinHandle handle(::CreateFileW(WidePath(folder.empty() ? "." : folder).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const auto info = handle ? InfoOfHandle(handle.Get()) : std::nullopt;
    if (!info || info->eKind != EFileKind::Folder) {
        return std::nullopt;
    }
    return L"Local\\Kelvara-out-folder-" + std::to_wstring(info->id.nVolume) + L"-" + std::to_wstring(info->id.nIndex);
}

class CWinFolderLock final : public IFolderLock {
  public:
    explicit CWinFolderLock(HANDLE mutex) : m_mutex(mutex) {}
    CWinFolderLock(const CWinFolderLock&) = delete;
    CWinFolderLock& operator=(const CWinFolderLock&) = delete;
    ~CWinFolderLock() override { ::CloseHandle(m_mutex); }

  private:
    HANDLE m_mutex;
};

CFindData MakeFindData(const WIN32_FIND_DATAW& found) {
    CFindData data;
    data.strName = Utf8FromWide(found.cFileName);
    data.eKind = KindOf(found.dwFileAttributes);
    data.nSize = data.IsFolder() ? 0 : (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return data;
}

class CWinFileSystem final : public IFileSystem {
  public:
    CFileHandle OpenRead(const std::string& path, CFileError& error) override {
        return OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, error);
    }

    // Writers are refused for as long as the song is open: a program writing it makes the opening fail, and one
    // that wants to write it meanwhile is refused by the system.
    CFileHandle OpenEntryRead(const std::string& path, CFileError& error) override {
        return OpenEntry(path, GENERIC_READ, FILE_SHARE_READ, error);
    }

    CFileHandle OpenNew(const std::string& path, CFileError& error) override {
        return OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW, error, 0, OwnerOnlySecurity());
    }

    std::optional<CFileInfo> InfoOf(const std::string& path, bool followLinks) override {
        const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
        const CWinHandle handle(::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, flags, nullptr));
        if (!handle) {
            return std::nullopt;
        }
        return InfoOfHandle(handle.Get());
    }

    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override {
        WIN32_FIND_DATAW found{};
        const CFindHandle search(::FindFirstFileW(WidePath(pattern).c_str(), &found));
        if (!search) {
            if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
                return std::vector<CFindData>{};
            }
            return std::nullopt;
        }
        std::vector<CFindData> matches{MakeFindData(found)};
        while (::FindNextFileW(search.Get(), &found)) {
            matches.push_back(MakeFindData(found));
        }
        return matches;
    }

    // A search would take * and ? for wildcards, and no name here holds them.
    std::optional<CFindData> FindEntry(const std::string& path) override {
        if (PathHasWildcard(path)) {
            return std::nullopt;
        }
        const auto found = Find(path);
        if (!found || found->empty()) {
            return std::nullopt;
        }
        return found->front();
    }

    CFileHandle CopyToNew(const std::string& from, const std::string& newPath, CFileError& error) override {
        const std::wstring wideNew = WidePath(newPath);
        if (!Noted(::CopyFileW(WidePath(from).c_str(), wideNew.c_str(), TRUE) != 0, error)) {
            return nullptr;
        }
        const DWORD attributes = ::GetFileAttributesW(wideNew.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetFileAttributesW(wideNew.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        }
        CWinHandle handle(
            ::CreateFileW(wideNew.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!Noted(static_cast<bool>(handle), error)) {
            ::SetFileAttributesW(wideNew.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(wideNew.c_str());
            return nullptr;
        }
        return std::make_unique<CWinFile>(std::move(handle), newPath, attributes);
    }

    EDeleteResult Delete(const std::string& path, CFileError& failure) override {
        if (::DeleteFileW(WidePath(path).c_str())) {
            return EDeleteResult::Deleted;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return EDeleteResult::NotFound;
        }
        failure = SystemCallError();
        return EDeleteResult::Failed;
    }

    bool CreateFolder(const std::string& path) override {
        return ::CreateDirectoryW(WidePath(path).c_str(), nullptr) != 0;
    }

    // The read-only attribute is asked for itself, since an administrator's open may pass it.
    bool CanWrite(const std::string& path, CFileError& error) override {
        const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
        if (!Noted(attributes != INVALID_FILE_ATTRIBUTES, error)) {
            return false;
        }
        CFileInfo known;
        known.bReadOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        return CanWriteOpened(path, known, error);
    }

    // A song being converted is open without write sharing, so no one else writes it meanwhile, and a file that
    // another program holds cannot be replaced: that rename fails and names the cause.
    bool CanWriteOpened(const std::string&, const CFileInfo& opened, CFileError& error) override {
        if (opened.bReadOnly) {
            error = {"the file is read-only"};
            return false;
        }
        return true;
    }

    // The song's own security, creation time and attributes go to its new content first. NTFS logs those changes in
    // order and the written-through rename flushes its log, so after a power cut the song has its new content with
    // its own security, or its old content.
    bool Replace(const std::string& replacement, const std::string& target, CFileError& error) override {
        const std::wstring from = WidePath(replacement);
        const std::wstring to = WidePath(target);
        TakeIdentityOf(to, from);
        return Noted(::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0,
                     error);
    }

    // Renames here are written through (MOVEFILE_WRITE_THROUGH), which puts the folder's change on the disk.
    bool FlushFolder(const std::string&, CFileError&) override { return true; }

    std::optional<std::uint64_t> FreeSpace(const std::string& folder) override {
        ULARGE_INTEGER available{};
        if (!::GetDiskFreeSpaceExW(WidePath(folder.empty() ? "." : folder).c_str(), &available, nullptr, nullptr)) {
            return std::nullopt;
        }
        return available.QuadPart;
    }

    // A named mutex: it lives while a process holds it open, so it leaves no file behind and dies with its
    // holder. Its mere existence means another command is working in the folder.
    CFolderLock LockFolder(const std::string& folder) override {
        const auto name = MutexNameFor(folder);
        HANDLE mutex = name ? ::CreateMutexW(nullptr, FALSE, name->c_str()) : nullptr;
        if (mutex == nullptr) {
            return {};
        }
        if (::GetLastError() == ERROR_ALREADY_EXISTS) {
            ::CloseHandle(mutex);
            return {true, nullptr};
        }
        return {false, std::make_unique<CWinFolderLock>(mutex)};
    }
};

}  // namespace

// The system's message, in the language of its user, as UTF-8 like every other text.
CFileError SystemCallError() {
    const DWORD error = ::GetLastError();
    std::wstring text(512, L'\0');
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                          text.data(), static_cast<DWORD>(text.size()), nullptr);
    text.resize(length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return {text.empty() ? "system error " + std::to_string(error) : Utf8FromWide(text),
            error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL};
}

std::uint32_t CurrentProcessId() {
    return ::GetCurrentProcessId();
}

bool FileNamesMayHoldWildcards() {
    return false;
}

IFileSystem& DefaultFileSystem() {
    static CWinFileSystem fileSystem;
    return fileSystem;
}
