#pragma once

#include "FileSystem.h"

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
    Copy,
    Delete,
    CreateFolder,
    RangeCopy,  // stops half-way
    Flush,
    CanWrite,
    Replace,
};

// The real file services, but with chosen operations failing, so every error path can be reached.
class CFaultyFileSystem final : public IFileSystem {
  public:
    explicit CFaultyFileSystem(IFileSystem& real = DefaultFileSystem()) : m_real(real) {}

    // From now on `fault` hits every path that contains pathPart (every path when it is empty).
    void Inject(EFault fault, std::string pathPart = {}) { m_faults.emplace_back(fault, std::move(pathPart)); }
    void Clear() { m_faults.clear(); }

    CFileHandle OpenRead(const std::string& path) override;
    CFileHandle OpenWrite(const std::string& path) override;
    CFileHandle OpenOverwrite(const std::string& path) override;
    std::optional<std::vector<CFindData>> Find(const std::string& pattern) override;
    bool Copy(const std::string& from, const std::string& to) override;
    EDeleteResult Delete(const std::string& path) override;
    bool CreateFolder(const std::string& path) override;
    std::uint64_t CopyRange(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to) override;
    bool CanWrite(const std::string& path) override;
    bool Replace(const std::string& replacement, const std::string& target) override;
    bool Exchange(const std::string& replacement, const std::string& target) override;

  private:
    bool Hits(EFault fault, const std::string& path) const;
    CFileHandle Wrap(CFileHandle file, const std::string& path) const;

    IFileSystem& m_real;
    std::vector<std::pair<EFault, std::string>> m_faults;
};
