#include "FileSystem.h"
#include "Path.h"
#include "Wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace {

// An owned file descriptor, closed when it goes away.
class CFd {
  public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    CFd(CFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CFd& operator=(CFd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

  private:
    int m_fd;
};

struct CDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using CDir = std::unique_ptr<DIR, CDirCloser>;

// Reads up to size bytes at offset, retrying the partial reads the kernel may give.
std::size_t PreadFully(int fd, char* buffer, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t PwriteFully(int fd, const char* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    return done;
}

// Older kernels and some file systems cannot copy ranges between files.
bool IsRangeCopyUnsupported(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

class CPosixFile final : public IFile {
  public:
    explicit CPosixFile(CFd fd) : m_fd(std::move(fd)) {}

    std::optional<std::uint64_t> Size() override {
        struct stat st {};
        if (::fstat(m_fd.Get(), &st) != 0) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(st.st_size);
    }

    std::size_t Read(std::span<char> buffer) override {
        const std::size_t got = PreadFully(m_fd.Get(), buffer.data(), buffer.size(), m_offset);
        m_offset += static_cast<off_t>(got);
        return got;
    }

    std::size_t Write(std::span<const char> data) override {
        const std::size_t put = PwriteFully(m_fd.Get(), data.data(), data.size(), m_offset);
        m_offset += static_cast<off_t>(put);
        return put;
    }

    std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) override {
        return PreadFully(m_fd.Get(), buffer.data(), buffer.size(), static_cast<off_t>(offset));
    }

    bool Flush() override { return ::fsync(m_fd.Get()) == 0; }

    bool Truncate(std::uint64_t size) override { return ::ftruncate(m_fd.Get(), static_cast<off_t>(size)) == 0; }

    // Appends a range of `source` in the kernel, without passing the bytes through this process.
    std::uint64_t AppendFrom(CPosixFile& source, std::uint64_t offset, std::uint64_t size) {
        auto from = static_cast<off_t>(offset);
        std::uint64_t done = 0;
        while (done < size) {
            const ssize_t copied = ::copy_file_range(source.m_fd.Get(), &from, m_fd.Get(), &m_offset, size - done, 0);
            if (copied < 0 && errno == EINTR) {
                continue;
            }
            if (copied < 0 && done == 0 && IsRangeCopyUnsupported(errno)) {
                return CopyRangeThroughBuffer(source, offset, size, *this);
            }
            if (copied <= 0) {
                break;
            }
            done += static_cast<std::uint64_t>(copied);
        }
        return done;
    }

  private:
    CFd m_fd;
    off_t m_offset = 0;
};

// The new content takes the old file's permissions and, where allowed, its owner.
void GiveOwnership(const std::string& replacement, const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        ::chmod(replacement.c_str(), st.st_mode & 07777);
        // Only root may give a file away; otherwise the new file is ours, as the old one was.
        [[maybe_unused]] const int ignored = ::chown(replacement.c_str(), st.st_uid, st.st_gid);
    }
}

// Like the Windows read-only attribute: a file without any write permission is not written, even by root.
bool IsReadOnly(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool IsFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode);
}

CFindData MakeFindData(const std::string& name, const struct stat* st) {
    CFindData data;
    data.strName = name;
    data.bFolder = st != nullptr && IsFolder(*st);
    data.nSize = (st != nullptr && !data.bFolder) ? static_cast<std::uint64_t>(st->st_size) : 0;
    return data;
}

// Copies the bytes in [from, to) at the same offsets; false when either side comes up short.
bool CopyRegion(int in, int out, off_t from, off_t to) {
    std::vector<char> buffer(std::size_t{1} << 20);
    for (off_t at = from; at < to;) {
        const std::size_t want = static_cast<std::size_t>(std::min<off_t>(to - at, static_cast<off_t>(buffer.size())));
        if (PreadFully(in, buffer.data(), want, at) != want || PwriteFully(out, buffer.data(), want, at) != want) {
            return false;
        }
        at += static_cast<off_t>(want);
    }
    return true;
}

// Copies only the data regions of a sparse file and recreates its holes by the final size.
bool CopyContent(int in, int out, off_t size) {
    for (off_t at = 0; at < size;) {
        off_t dataAt = ::lseek(in, at, SEEK_DATA);
        if (dataAt < 0) {
            if (errno == ENXIO) {
                break;  // only a hole remains
            }
            dataAt = at;  // no hole support: everything is data
        }
        off_t holeAt = ::lseek(in, dataAt, SEEK_HOLE);
        if (holeAt < 0 || holeAt > size) {
            holeAt = size;
        }
        if (!CopyRegion(in, out, dataAt, holeAt)) {
            return false;
        }
        at = holeAt;
    }
    return ::ftruncate(out, size) == 0;
}

bool CopyToTemporary(int in, const struct stat& source, const std::string& temporary) {
    ::unlink(temporary.c_str());  // a leftover of an interrupted copy
    CFd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 0777));
    if (!out || !CopyContent(in, out.Get(), source.st_size)) {
        return false;
    }
    const std::array<timespec, 2> times{source.st_atim, source.st_mtim};
    ::futimens(out.Get(), times.data());
    return true;
}

class CPosixFileSystem final : public IFileSystem {
  public:
    CFileHandle OpenRead(const std::string& path) override {
        CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.Get(), &st) != 0 || IsFolder(st)) {
            return nullptr;
        }
        return std::make_unique<CPosixFile>(std::move(fd));
    }

    CFileHandle OpenWrite(const std::string& path) override {
        if (IsReadOnly(path)) {
            return nullptr;
        }
        CFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!fd) {
            return nullptr;
        }
        return std::make_unique<CPosixFile>(std::move(fd));
    }

    CFileHandle OpenOverwrite(const std::string& path) override {
        CFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
        if (!fd) {
            return nullptr;
        }
        return std::make_unique<CPosixFile>(std::move(fd));
    }

    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override {
        const std::string prefix = FolderPrefix(pattern);
        const std::string namePattern = pattern.substr(prefix.size());
        if (namePattern.empty()) {
            return std::nullopt;
        }
        const std::string folder = prefix.empty() ? std::string(".") : prefix;
        if (!HasWildcard(namePattern)) {
            return FindPlain(pattern, folder, namePattern);
        }
        return FindMatching(folder, namePattern);
    }

    bool Copy(const std::string& from, const std::string& to) override {
        CFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat source {};
        if (!in || ::fstat(in.Get(), &source) != 0 || !S_ISREG(source.st_mode)) {
            return false;
        }
        // The copy goes to a neighbour first, so the destination is replaced whole or not at all.
        const std::string temporary = TemporaryPathFor(to);
        if (!CopyToTemporary(in.Get(), source, temporary) || ::rename(temporary.c_str(), to.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return false;
        }
        return true;
    }

    EDeleteResult Delete(const std::string& path) override {
        if (::unlink(path.c_str()) == 0) {
            return EDeleteResult::Deleted;
        }
        return (errno == ENOENT || errno == ENOTDIR) ? EDeleteResult::NotFound : EDeleteResult::Failed;
    }

    bool CreateFolder(const std::string& path) override { return ::mkdir(path.c_str(), 0777) == 0; }

    std::uint64_t CopyRange(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to) override {
        auto* source = dynamic_cast<CPosixFile*>(&from);
        auto* target = dynamic_cast<CPosixFile*>(&to);
        if (source == nullptr || target == nullptr) {
            return CopyRangeThroughBuffer(from, offset, size, to);
        }
        return target->AppendFrom(*source, offset, size);
    }

    bool CanWrite(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !IsReadOnly(path) &&
               ::access(path.c_str(), W_OK) == 0;
    }

    bool Replace(const std::string& replacement, const std::string& target) override {
        GiveOwnership(replacement, target);
        // The replacement was flushed before, and a rename is atomic: after a crash the folder shows the
        // old or the new file, each complete, so the folder itself need not be flushed.
        return ::rename(replacement.c_str(), target.c_str()) == 0;
    }

    bool Exchange(const std::string& replacement, const std::string& target) override {
        // Content that other names share (hard links) must never come back to be written over.
        struct stat st {};
        if (::stat(target.c_str(), &st) != 0 || st.st_nlink != 1) {
            return false;
        }
        GiveOwnership(replacement, target);
        return ::renameat2(AT_FDCWD, replacement.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0;
    }

  private:
    // A plain path names one entry; like Windows, it is found whatever the case it was given in.
    static std::optional<std::vector<CFindData>> FindPlain(const std::string& path,
                                                           const std::string& folder,
                                                           const std::string& name) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            return std::vector<CFindData>{MakeFindData(name, &st)};
        }
        auto matches =
            ListFolder(folder, [&name](const std::string& entry) { return EqualsIgnoringCase(name, entry); });
        if (matches && matches->size() > 1) {
            matches->resize(1);
        }
        return matches;
    }

    static std::optional<std::vector<CFindData>> FindMatching(const std::string& folder, const std::string& pattern) {
        auto matches =
            ListFolder(folder, [&pattern](const std::string& entry) { return MatchesWildcard(pattern, entry); });
        // Names here may hold * or ?, so a name equal to the whole pattern is the one meant first.
        if (matches) {
            std::stable_partition(matches->begin(), matches->end(),
                                  [&pattern](const CFindData& match) { return match.strName == pattern; });
        }
        return matches;
    }

    template <typename Predicate>
    static std::optional<std::vector<CFindData>> ListFolder(const std::string& folder, Predicate matches) {
        CDir dir(::opendir(folder.c_str()));
        if (!dir) {
            return std::nullopt;
        }
        std::vector<CFindData> found;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (!matches(name)) {
                continue;
            }
            struct stat st {};
            const bool known = ::fstatat(::dirfd(dir.get()), entry->d_name, &st, 0) == 0;
            found.push_back(MakeFindData(name, known ? &st : nullptr));
        }
        return found;
    }
};

}  // namespace

IFileSystem& DefaultFileSystem() {
    static CPosixFileSystem fileSystem;
    return fileSystem;
}
