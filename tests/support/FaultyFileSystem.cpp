#include "FaultyFileSystem.h"

#include "SystemError.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

constexpr const char* kInjected = "injected fault";

// The reason of an injected failure, as the real file layer notes the system's.
template <typename T>
T Injected(T failure) {
    NoteSystemError(kInjected);
    return failure;
}

struct CFileFaults {
    bool bShortRead, bFailedRead, bShortWrite, bFailedWrite, bFlush, bRangeCopy;
};

class CFaultyFile final : public IFile {
  public:
    CFaultyFile(CFileHandle real,
                CFileFaults faults,
                std::shared_ptr<std::vector<std::string>> changes,
                std::string path)
        : m_real(std::move(real)), m_faults(faults), m_changes(std::move(changes)), m_path(std::move(path)) {}

    std::optional<std::uint64_t> Size() override { return m_real->Size(); }

    std::size_t Read(std::span<char> buffer) override {
        if (m_faults.bFailedRead) {
            return Injected(std::size_t{0});
        }
        if (m_faults.bShortRead && !buffer.empty()) {
            return Injected(m_real->Read(buffer.first(buffer.size() - 1)));
        }
        return m_real->Read(buffer);
    }

    std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) override {
        if (m_faults.bFailedRead) {
            return Injected(std::size_t{0});
        }
        if (m_faults.bShortRead && !buffer.empty()) {
            return Injected(m_real->ReadAt(offset, buffer.first(buffer.size() - 1)));
        }
        return m_real->ReadAt(offset, buffer);
    }

    bool Flush() override {
        m_changes->push_back("Flush " + m_path);
        return m_faults.bFlush ? Injected(false) : m_real->Flush();
    }
    bool Truncate(std::uint64_t size) override {
        m_changes->push_back("Truncate " + m_path);
        return m_faults.bFailedWrite ? Injected(false) : m_real->Truncate(size);
    }
    std::optional<CFileInfo> Info() override { return m_real->Info(); }

    // Through a buffer, so that the source's reads and this file's writes meet their own faults.
    std::uint64_t AppendFrom(IFile& source, std::uint64_t offset, std::uint64_t size) override {
        return m_faults.bRangeCopy ? Injected(AppendThroughBuffer(source, offset, size / 2, *this))
                                   : AppendThroughBuffer(source, offset, size, *this);
    }

    std::size_t Write(std::span<const char> data) override {
        m_changes->push_back("Write " + m_path);
        if (m_faults.bFailedWrite) {
            return Injected(std::size_t{0});
        }
        if (m_faults.bShortWrite && !data.empty()) {
            return Injected(m_real->Write(data.first(data.size() - 1)));
        }
        return m_real->Write(data);
    }

  private:
    CFileHandle m_real;
    CFileFaults m_faults;
    std::shared_ptr<std::vector<std::string>> m_changes;
    std::string m_path;
};

}  // namespace

bool CFaultyFileSystem::Injects(EFault fault, const std::string& path) const {
    return std::any_of(m_faults.begin(), m_faults.end(), [&](const auto& injected) {
        return injected.first == fault && path.find(injected.second) != std::string::npos;
    });
}

bool CFaultyFileSystem::Hits(EFault fault, const std::string& path) const {
    return Injects(fault, path) && Injected(true);
}

CFileHandle CFaultyFileSystem::Wrap(CFileHandle file, const std::string& path) {
    if (!file) {
        return file;
    }
    const CFileFaults faults{Injects(EFault::ShortRead, path),  Injects(EFault::FailedRead, path),
                             Injects(EFault::ShortWrite, path), Injects(EFault::FailedWrite, path),
                             Injects(EFault::Flush, path),      Injects(EFault::RangeCopy, path)};
    return std::make_unique<CFaultyFile>(std::move(file), faults, m_changes, path);
}

CFileHandle CFaultyFileSystem::OpenRead(const std::string& path) {
    if (Injects(EFault::Throw, path)) {
        throw std::bad_alloc();
    }
    return Hits(EFault::OpenRead, path) ? nullptr : Wrap(m_real.OpenRead(path), path);
}

CFileHandle CFaultyFileSystem::OpenEntryRead(const std::string& path) {
    if (Injects(EFault::Throw, path)) {
        throw std::bad_alloc();
    }
    return Hits(EFault::OpenRead, path) ? nullptr : Wrap(m_real.OpenEntryRead(path), path);
}

CFileHandle CFaultyFileSystem::OpenWrite(const std::string& path) {
    Record("OpenWrite", path);
    return Hits(EFault::OpenWrite, path) ? nullptr : Wrap(m_real.OpenWrite(path), path);
}

CFileHandle CFaultyFileSystem::OpenNew(const std::string& path) {
    Record("OpenNew", path);
    return Hits(EFault::OpenWrite, path) ? nullptr : Wrap(m_real.OpenNew(path), path);
}

CFileHandle CFaultyFileSystem::OpenOverwrite(const std::string& path) {
    Record("OpenOverwrite", path);
    return Hits(EFault::OpenWrite, path) ? nullptr : Wrap(m_real.OpenOverwrite(path), path);
}

std::optional<CFileInfo> CFaultyFileSystem::InfoOf(const std::string& path, bool followLinks) {
    return m_real.InfoOf(path, followLinks);
}

std::optional<std::vector<CFindData>> CFaultyFileSystem::Find(const std::string& pattern) {
    return Hits(EFault::Find, pattern) ? std::nullopt : m_real.Find(pattern);
}

CFileHandle CFaultyFileSystem::CopyToNew(const std::string& from, const std::string& newPath) {
    Record("CopyToNew", newPath);
    const bool fails = Hits(EFault::Copy, from) || Hits(EFault::Copy, newPath);
    return fails ? nullptr : Wrap(m_real.CopyToNew(from, newPath), newPath);
}

// Renames are recorded only when they happen: one that fails changes nothing.
bool CFaultyFileSystem::Renamed(bool done,
                                const std::string& operation,
                                const std::string& from,
                                const std::string& to) {
    if (done) {
        Record(operation, from + " " + to);
    }
    return done;
}

bool CFaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    return Renamed(!Hits(EFault::Replace, to) && m_real.Rename(from, to), "Rename", from, to);
}

EDeleteResult CFaultyFileSystem::Delete(const std::string& path) {
    Record("Delete", path);
    return Hits(EFault::Delete, path) ? EDeleteResult::Failed : m_real.Delete(path);
}

bool CFaultyFileSystem::CreateFolder(const std::string& path) {
    return !Hits(EFault::CreateFolder, path) && m_real.CreateFolder(path);
}

bool CFaultyFileSystem::CanWrite(const std::string& path) {
    return !Hits(EFault::CanWrite, path) && m_real.CanWrite(path);
}

bool CFaultyFileSystem::Replace(const std::string& replacement, const std::string& target) {
    return Renamed(!Hits(EFault::Replace, target) && m_real.Replace(replacement, target), "Replace", replacement,
                   target);
}

bool CFaultyFileSystem::Exchange(const std::string& replacement, const std::string& target) {
    return Renamed(!Hits(EFault::Replace, target) && m_real.Exchange(replacement, target), "Exchange", replacement,
                   target);
}

bool CFaultyFileSystem::FlushFolder(const std::string& folder) {
    Record("FlushFolder", folder);
    return !Hits(EFault::FlushFolder, folder) && m_real.FlushFolder(folder);
}

CFolderLock CFaultyFileSystem::LockFolder(const std::string& folder) {
    return m_real.LockFolder(folder);
}
