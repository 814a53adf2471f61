#pragma once

#include "FileSystem.h"

#include <memory>
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
    Find,
    Copy,  // the copy to a new file
    Delete,
    CreateFolder,
    RangeCopy,  // an AppendFrom into the file stops half-way
    Flush,
    CanWrite,
    Replace,  // Replace, Exchange and Rename of this target
    FlushFolder,
    Throw,  // opening for reading throws std::bad_alloc, as a failed allocation would
};

// The real file services, but with chosen operations failing, so every error path can be reached; every
// change made to the disk is recorded in order, so the order of flushes and renames can be checked.
class CFaultyFileSystem final : public IFileSystem {
  public:
    explicit CFaultyFileSystem(IFileSystem& real = DefaultFileSystem()) : m_real(real) {}

    // From now on `fault` hits every path that contains pathPart (every path when it is empty).
    void Inject(EFault fault, std::string pathPart = {}) { m_faults.emplace_back(fault, std::move(pathPart)); }
    void Clear() { m_faults.clear(); }
    // "Operation path" for each write, flush, rename, exchange, delete and folder flush, in order.
    const std::vector<std::string>& Changes() const { return *m_changes; }

    CFileHandle OpenRead(const std::string& path) override;
    CFileHandle OpenEntryRead(const std::string& path) override;
    bool ReadingBlocksWriting() override { return m_real.ReadingBlocksWriting(); }
    CFileHandle OpenWrite(const std::string& path) override;
    CFileHandle OpenNew(const std::string& path) override;
    CFileHandle OpenOverwrite(const std::string& path) override;
    std::optional<CFileInfo> InfoOf(const std::string& path, bool followLinks) override;
    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override;
    CFileHandle CopyToNew(const std::string& from, const std::string& newPath) override;
    bool Rename(const std::string& from, const std::string& to) override;
    EDeleteResult Delete(const std::string& path) override;
    bool CreateFolder(const std::string& path) override;
    bool CanWrite(const std::string& path) override;
    bool Replace(const std::string& replacement, const std::string& target) override;
    bool Exchange(const std::string& replacement, const std::string& target) override;
    bool FlushFolder(const std::string& folder) override;
    CFolderLock LockFolder(const std::string& folder) override;

  private:
    bool Injects(EFault fault, const std::string& path) const;
    // Injects, and notes the injected failure's reason.
    bool Hits(EFault fault, const std::string& path) const;
    CFileHandle Wrap(CFileHandle file, const std::string& path);
    bool Renamed(bool done, const std::string& operation, const std::string& from, const std::string& to);
    void Record(const std::string& operation, const std::string& path) { m_changes->push_back(operation + " " + path); }

    IFileSystem& m_real;
    std::vector<std::pair<EFault, std::string>> m_faults;
    // Shared with the open files, which record their own writes and flushes.
    std::shared_ptr<std::vector<std::string>> m_changes = std::make_shared<std::vector<std::string>>();
};
