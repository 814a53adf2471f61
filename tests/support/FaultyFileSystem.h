#pragma once

#include "FileSystem.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

enum class EFault {
    OpenRead,
    OpenWrite,
    ShortRead,   // one byte less than asked for
    FailedRead,  // nothing read
    ShortWrite,  // one byte less than asked for is written
    FailedWrite,
    Copy,       // the copy to a new file
    RangeCopy,  // an AppendFrom into the file stops half-way
    Flush,
    CanWrite,
    Replace,  // Replace, Exchange and Rename of this target
    Throw,    // opening for reading throws std::bad_alloc, as a failed allocation would
    Lock,     // LockFolder offers no lock, as a file system without locks does
};

// The changes made, in order, from whichever thread made them.
struct CChanges {
    std::mutex mutex;
    std::vector<std::string> list;
    void Add(std::string change) {
        const std::lock_guard lock(mutex);
        list.push_back(std::move(change));
    }
};

// The real file services, but with chosen operations failing, so every error path can be reached; every
// change made to the disk is recorded in order, so the order of flushes and renames can be checked.
class CFaultyFileSystem final : public IFileSystem {
  public:
    // From now on `fault` hits every path that contains pathPart (every path when it is empty).
    void Inject(EFault fault, std::string pathPart = {}) { m_faults.emplace_back(fault, std::move(pathPart)); }
    void Clear() { m_faults.clear(); }
    // "Operation path" for each write, flush, rename, exchange, delete and folder flush, in order.
    const std::vector<std::string>& Changes() const { return m_changes->list; }

    CFileHandle OpenRead(const std::string& path) override { return Open(path, &IFileSystem::OpenRead); }
    CFileHandle OpenEntryRead(const std::string& path) override { return Open(path, &IFileSystem::OpenEntryRead); }
    bool ReadingBlocksWriting() override { return m_real.ReadingBlocksWriting(); }
    CFileHandle OpenWrite(const std::string& path) override { return Open(path, &IFileSystem::OpenWrite, "OpenWrite"); }
    CFileHandle OpenNew(const std::string& path) override { return Open(path, &IFileSystem::OpenNew, "OpenNew"); }
    CFileHandle OpenOverwrite(const std::string& path) override {
        return Open(path, &IFileSystem::OpenOverwrite, "OpenOverwrite");
    }
    std::optional<CFileInfo> InfoOf(const std::string& path, bool followLinks) override {
        return m_real.InfoOf(path, followLinks);
    }
    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override { return m_real.Find(pattern); }
    std::optional<CFindData> FindEntry(const std::string& path) override { return m_real.FindEntry(path); }
    std::optional<std::vector<CFindData>> FindKinds(const std::string& pattern) override {
        return m_real.FindKinds(pattern);
    }
    CFileHandle CopyToNew(const std::string& from, const std::string& newPath) override;
    bool Rename(const std::string& from, const std::string& to) override {
        return Renamed("Rename", &IFileSystem::Rename, from, to);
    }
    EDeleteResult Delete(const std::string& path) override {
        Record("Delete", path);
        return m_real.Delete(path);
    }
    bool CreateFolder(const std::string& path) override { return m_real.CreateFolder(path); }
    bool CanWrite(const std::string& path) override { return !Hits(EFault::CanWrite, path) && m_real.CanWrite(path); }
    bool CanWriteOpened(const std::string& path, const CFileInfo& opened) override {
        return !Hits(EFault::CanWrite, path) && m_real.CanWriteOpened(path, opened);
    }
    bool Replace(const std::string& replacement, const std::string& target) override {
        return Renamed("Replace", &IFileSystem::Replace, replacement, target);
    }
    bool Exchange(const std::string& replacement, const std::string& target) override {
        return Renamed("Exchange", &IFileSystem::Exchange, replacement, target);
    }
    bool FlushFolder(const std::string& folder) override;
    CFolderLock LockFolder(const std::string& folder) override {
        return Hits(EFault::Lock, folder) ? CFolderLock{} : m_real.LockFolder(folder);
    }

  private:
    using COpen = CFileHandle (IFileSystem::*)(const std::string&);
    using CRename = bool (IFileSystem::*)(const std::string&, const std::string&);

    // The faults injected for this path.
    std::vector<EFault> FaultsOf(const std::string& path) const;
    // Whether `fault` is injected for this path; when it is, its reason is noted as the system's would be.
    bool Hits(EFault fault, const std::string& path) const;
    // Opening for reading (`writing` null) or, recorded under that name, for writing.
    CFileHandle Open(const std::string& path, COpen open, const char* writing = nullptr);
    // Recorded only when it happens: a rename that fails changes nothing.
    bool Renamed(const char* operation, CRename rename, const std::string& from, const std::string& to);
    void Record(const std::string& operation, const std::string& path) { m_changes->Add(operation + " " + path); }

    IFileSystem& m_real = DefaultFileSystem();
    std::vector<std::pair<EFault, std::string>> m_faults;
    // Shared with the open files, which record their own writes and flushes.
    std::shared_ptr<CChanges> m_changes = std::make_shared<CChanges>();
};
