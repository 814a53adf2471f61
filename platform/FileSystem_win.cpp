#include "FileSystem.h"
#include "Path.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

// An owned Win32 handle, closed when it goes away.
class CWinHandle {
  public:
    explicit CWinHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    CWinHandle(CWinHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    CWinHandle& operator=(CWinHandle&& other) noexcept {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    CWinHandle(const CWinHandle&) = delete;
    CWinHandle& operator=(const CWinHandle&) = delete;
    ~CWinHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(m_handle);
        }
    }
    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE; }

  private:
    HANDLE m_handle;
};

// A search handle, ended when it goes away.
class CFindHandle {
  public:
    explicit CFindHandle(HANDLE handle) : m_handle(handle) {}
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    ~CFindHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            ::FindClose(m_handle);
        }
    }
    HANDLE Get() const { return m_handle; }

  private:
    HANDLE m_handle;
};

constexpr DWORD kMaxRequest = 1u << 30;  // ReadFile and WriteFile count in 32 bits

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

class CWinFile final : public IFile {
  public:
    explicit CWinFile(CWinHandle handle) : m_handle(std::move(handle)) {}

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
        std::size_t done = 0;
        while (done < buffer.size()) {
            const auto want = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, kMaxRequest));
            OVERLAPPED overlapped = At(offset + done);
            DWORD got = 0;
            if (!::ReadFile(m_handle.Get(), buffer.data() + done, want, &got, &overlapped) || got == 0) {
                break;
            }
            done += got;
        }
        return done;
    }

    std::size_t Write(std::span<const char> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            const auto want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, kMaxRequest));
            OVERLAPPED overlapped = At(m_offset + done);
            DWORD put = 0;
            if (!::WriteFile(m_handle.Get(), data.data() + done, want, &put, &overlapped) || put == 0) {
                break;
            }
            done += put;
        }
        m_offset += done;
        return done;
    }

    bool Flush() override { return ::FlushFileBuffers(m_handle.Get()) != 0; }

    bool Truncate(std::uint64_t size) override {
        LARGE_INTEGER position{};
        position.QuadPart = static_cast<LONGLONG>(size);
        return ::SetFilePointerEx(m_handle.Get(), position, nullptr, FILE_BEGIN) && ::SetEndOfFile(m_handle.Get());
    }

  private:
    CWinHandle m_handle;
    std::uint64_t m_offset = 0;
};

CFileHandle OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    CWinHandle handle(::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        return nullptr;
    }
    return std::make_unique<CWinFile>(std::move(handle));
}

CFindData MakeFindData(const WIN32_FIND_DATAA& found) {
    CFindData data;
    data.strName = found.cFileName;
    data.bFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    data.nSize = data.bFolder ? 0 : (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return data;
}

class CWinFileSystem final : public IFileSystem {
  public:
    CFileHandle OpenRead(const std::string& path) override {
        return OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    }

    CFileHandle OpenWrite(const std::string& path) override { return OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS); }

    CFileHandle OpenOverwrite(const std::string& path) override {
        return OpenFile(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    }

    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override {
        WIN32_FIND_DATAA found{};
        const CFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
        if (search.Get() == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
                return std::vector<CFindData>{};
            }
            return std::nullopt;
        }
        std::vector<CFindData> matches{MakeFindData(found)};
        while (::FindNextFileA(search.Get(), &found)) {
            matches.push_back(MakeFindData(found));
        }
        return matches;
    }

    // The copy goes to a neighbour first, so the destination is replaced whole or not at all.
    bool Copy(const std::string& from, const std::string& to) override {
        const std::string temporary = TemporaryPathFor(to);
        if (!::CopyFileA(from.c_str(), temporary.c_str(), FALSE) ||
            !::MoveFileExA(temporary.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            ::DeleteFileA(temporary.c_str());
            return false;
        }
        return true;
    }

    EDeleteResult Delete(const std::string& path) override {
        if (::DeleteFileA(path.c_str())) {
            return EDeleteResult::Deleted;
        }
        const DWORD error = ::GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? EDeleteResult::NotFound
                                                                                : EDeleteResult::Failed;
    }

    bool CreateFolder(const std::string& path) override { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

    std::uint64_t CopyRange(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to) override {
        return CopyRangeThroughBuffer(from, offset, size, to);
    }

    // Opening for writing without emptying tells whether a locked file refuses; the read-only attribute is
    // asked for itself, since an administrator's open may pass it.
    bool CanWrite(const std::string& path) override {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0 &&
               static_cast<bool>(OpenFile(path, GENERIC_WRITE, 0, OPEN_EXISTING));
    }

    bool Replace(const std::string& replacement, const std::string& target) override {
        const DWORD attributes = ::GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            ::SetFileAttributesA(replacement.c_str(), attributes);
        }
        return ::MoveFileExA(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
               0;
    }

    // Windows has no single step that swaps two names.
    bool Exchange(const std::string&, const std::string&) override { return false; }
};

}  // namespace

IFileSystem& DefaultFileSystem() {
    static CWinFileSystem fileSystem;
    return fileSystem;
}
