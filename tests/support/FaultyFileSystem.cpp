#include "FaultyFileSystem.h"

#include <algorithm>
#include <memory>

namespace {

class CFaultyFile final : public IFile {
  public:
    CFaultyFile(CFileHandle real, bool shortRead, bool failedRead, bool shortWrite, bool failedWrite)
        : m_real(std::move(real)),
          m_shortRead(shortRead),
          m_failedRead(failedRead),
          m_shortWrite(shortWrite),
          m_failedWrite(failedWrite) {}

    std::optional<std::uint64_t> Size() override { return m_real->Size(); }

    std::size_t Read(std::span<char> buffer) override {
        if (m_failedRead) {
            return 0;
        }
        return m_real->Read(m_shortRead && !buffer.empty() ? buffer.first(buffer.size() - 1) : buffer);
    }

    std::size_t Write(std::span<const char> data) override {
        if (m_failedWrite) {
            return 0;
        }
        return m_real->Write(m_shortWrite && !data.empty() ? data.first(data.size() - 1) : data);
    }

  private:
    CFileHandle m_real;
    bool m_shortRead;
    bool m_failedRead;
    bool m_shortWrite;
    bool m_failedWrite;
};

}  // namespace

bool CFaultyFileSystem::Hits(EFault fault, const std::string& path) const {
    return std::any_of(m_faults.begin(), m_faults.end(), [&](const auto& injected) {
        return injected.first == fault && path.find(injected.second) != std::string::npos;
    });
}

CFileHandle CFaultyFileSystem::Wrap(CFileHandle file, const std::string& path) const {
    if (!file) {
        return file;
    }
    return std::make_unique<CFaultyFile>(std::move(file), Hits(EFault::ShortRead, path), Hits(EFault::FailedRead, path),
                                         Hits(EFault::ShortWrite, path), Hits(EFault::FailedWrite, path));
}

CFileHandle CFaultyFileSystem::OpenRead(const std::string& path) {
    return Hits(EFault::OpenRead, path) ? nullptr : Wrap(m_real.OpenRead(path), path);
}

CFileHandle CFaultyFileSystem::OpenWrite(const std::string& path) {
    return Hits(EFault::OpenWrite, path) ? nullptr : Wrap(m_real.OpenWrite(path), path);
}

std::optional<std::vector<CFindData>> CFaultyFileSystem::Find(const std::string& pattern) {
    return Hits(EFault::Find, pattern) ? std::nullopt : m_real.Find(pattern);
}

bool CFaultyFileSystem::Copy(const std::string& from, const std::string& to) {
    return !Hits(EFault::Copy, from) && !Hits(EFault::Copy, to) && m_real.Copy(from, to);
}

EDeleteResult CFaultyFileSystem::Delete(const std::string& path) {
    return Hits(EFault::Delete, path) ? EDeleteResult::Failed : m_real.Delete(path);
}

bool CFaultyFileSystem::CreateFolder(const std::string& path) {
    return !Hits(EFault::CreateFolder, path) && m_real.CreateFolder(path);
}
