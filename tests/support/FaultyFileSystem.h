#pragma once

#include "FileSystem.h"

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

enum class EFault {
    OpenRead,
    OpenWrite,   // OpenNew
    ShortRead,   // one byte less than asked for: any shortfall must count as failure
    ShortWrite,  // one byte less than asked for is written
    Copy,        // the copy to a new file
    RangeCopy,   // an AppendFrom into the file stops half-way
    Flush,
    CanWrite,
    Replace,    // Replace and Rename of this target
    Lock,       // LockFolder offers no lock, as a file system without locks does
    FreeSpace,  // FreeSpace cannot tell, as some file systems cannot
};

// The real file services, but with chosen operations failing, so every error path can be reached; every
// change made to the disk is recorded in order, so the order of flushes and renames can be checked. Its open files
// go through it for their own calls: it outlives them.
class CFaultyFileSystem final : public IFileSystem {
  public:
    using CHook = std::function<void(const std::string& operation, const std::string& path)>;
    // From now on `fault` hits every path that contains pathPart (every path when it is empty), in files already
    // open too. Between commands only: the threads that write songs read the list without a lock.
    void Inject(EFault fault, std::string pathPart = {}) { m_faults.emplace_back(fault, std::move(pathPart)); }
    void Clear() { m_faults.clear(); }
    // The nth file service call from now on (counting from 1) throws std::bad_alloc.
    void ThrowAtCall(std::size_t n) {
        m_nCalls = 0;
        m_nThrowAt = n;
    }
    std::size_t Calls() const { return m_nCalls; }
    // Runs just before every call, with its operation ("Replace", "Flush" ...) and path: the moment another
    // program acts, made certain.
    void OnCall(CHook hook) { m_hook = std::move(hook); }
    // "Operation path" for each write, flush, rename, delete and folder flush, in order.
    const std::vector<std::string>& Changes() const { return m_changes; }
    // Counts the call, throws std::bad_alloc at the chosen one and lets the hook act just before it; a change
    // (`record`) is added to the list.
    void Call(const std::string& operation, const std::string& path, bool record);
    // Whether `fault` is injected for this path.
    bool Injected(EFault fault, const std::string& path) const;

    CFileHandle OpenRead(const std::string& path, CFileError& error) override {
        return Open(path, &IFileSystem::OpenRead, error);
    }
    CFileHandle OpenEntryRead(const std::string& path, CFileError& error) override {
        return Open(path, &IFileSystem::OpenEntryRead, error);
    }
    CFileHandle OpenNew(const std::string& path, CFileError& error) override {
        return Open(path, &IFileSystem::OpenNew, error, "OpenNew");
    }
    std::optional<CFileInfo> InfoOf(const std::string& path, bool followLinks) override {
        return Real("InfoOf", path).InfoOf(path, followLinks);
    }
    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override {
        return Real("Find", pattern).Find(pattern);
    }
    std::optional<CFindData> FindEntry(const std::string& path) override { return Real("Find", path).FindEntry(path); }
    std::optional<std::vector<CFindData>> FindKinds(const std::string& pattern) override {
        return Real("Find", pattern).FindKinds(pattern);
    }
    CFileHandle CopyToNew(const std::string& from, const std::string& newPath, CFileError& error) override;
    EDeleteResult Delete(const std::string& path, CFileError& error) override {
        return Real("Delete", path, true).Delete(path, error);
    }
    bool CreateFolder(const std::string& path) override { return m_real.CreateFolder(path); }
    bool CanWrite(const std::string& path, CFileError& error) override {
        Call("CanWrite", path, false);
        return !Hits(EFault::CanWrite, path, error) && m_real.CanWrite(path, error);
    }
    bool CanWriteOpened(const std::string& path, const CFileInfo& opened, CFileError& error) override {
        Call("CanWrite", path, false);
        return !Hits(EFault::CanWrite, path, error) && m_real.CanWriteOpened(path, opened, error);
    }
    bool Replace(const std::string& replacement, const std::string& target, CFileError& error) override;
    void FlushVolume(const std::string& folder) override { Real("FlushVolume", folder, true).FlushVolume(folder); }
    bool FlushFolder(const std::string& folder, CFileError& error) override {
        return Real("FlushFolder", folder, true).FlushFolder(folder, error);
    }
    std::optional<std::uint64_t> FreeSpace(const std::string& folder) override {
        return Injected(EFault::FreeSpace, folder) ? std::nullopt : Real("FreeSpace", folder).FreeSpace(folder);
    }
    CFolderLock LockFolder(const std::string& folder) override {
        CFileError ignored;
        return Hits(EFault::Lock, folder, ignored) ? CFolderLock{} : m_real.LockFolder(folder);
    }

  private:
    using COpen = CFileHandle (IFileSystem::*)(const std::string&, CFileError&);

    // The real services, once the call is counted.
    IFileSystem& Real(const char* operation, const std::string& path, bool record = false) {
        Call(operation, path, record);
        return m_real;
    }
    // Whether `fault` is injected for this path; when it is, `error` says so as the system's reason would.
    bool Hits(EFault fault, const std::string& path, CFileError& error) const;
    // Opening for reading (`writing` null) or, recorded under that name, for writing.
    CFileHandle Open(const std::string& path, COpen open, CFileError& error, const char* writing = nullptr);

    IFileSystem& m_real = DefaultFileSystem();
    std::vector<std::pair<EFault, std::string>> m_faults;
    std::mutex m_mutex;
    std::recursive_mutex m_hookMutex;  // songs are written on several threads: a hook acts on one at a time
    std::vector<std::string> m_changes;
    std::size_t m_nCalls = 0;
    std::size_t m_nThrowAt = 0;  // the call that throws; 0: none
    CHook m_hook;
};
