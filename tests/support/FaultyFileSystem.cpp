#include "FaultyFileSystem.h"

#include "SystemError.h"

#include <algorithm>
#include <new>

void CSeam::Call(const std::string& operation, const std::string& path, bool record) {
    CHook act;
    {
        const std::lock_guard lock(mutex);
        if (++nCalls == nThrowAt) {
            throw std::bad_alloc();
        }
        if (record) {
            changes.push_back(operation + " " + path);
        }
        act = hook;
    }
    if (act) {
        act(operation, path);
    }
}

namespace {

// The reason of an injected failure, as the real file layer notes the system's.
template <typename T>
T Injected(T failure) {
    NoteSystemError("injected fault");
    return failure;
}

bool Contains(const std::vector<EFault>& faults, EFault fault) {
    return std::find(faults.begin(), faults.end(), fault) != faults.end();
}

class CFaultyFile final : public IFile {
  public:
    CFaultyFile(CFileHandle real, std::vector<EFault> faults, std::shared_ptr<CSeam> seam, std::string path)
        : m_real(std::move(real)), m_faults(std::move(faults)), m_seam(std::move(seam)), m_path(std::move(path)) {}

    std::optional<std::uint64_t> Size() override {
        m_seam->Call("Size", m_path, false);
        return m_real->Size();
    }
    std::size_t Read(std::span<char> buffer) override {
        m_seam->Call("Read", m_path, false);
        return Transfer(buffer, EFault::ShortRead, EFault::FailedRead,
                        [this](auto part) { return m_real->Read(part); });
    }
    std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) override {
        m_seam->Call("Read", m_path, false);
        return Transfer(buffer, EFault::ShortRead, EFault::FailedRead,
                        [&](auto part) { return m_real->ReadAt(offset, part); });
    }
    std::size_t Write(std::span<const char> data) override {
        m_seam->Call("Write", m_path, true);
        return Transfer(data, EFault::ShortWrite, EFault::FailedWrite,
                        [this](auto part) { return m_real->Write(part); });
    }
    // Through a buffer, so that the source's reads and this file's writes meet their own faults.
    std::uint64_t AppendFrom(IFile& source, std::uint64_t offset, std::uint64_t size) override {
        return Has(EFault::RangeCopy) ? Injected(AppendThroughBuffer(source, offset, size / 2, *this))
                                      : AppendThroughBuffer(source, offset, size, *this);
    }
    bool Flush() override {
        m_seam->Call("Flush", m_path, true);
        return Has(EFault::Flush) ? Injected(false) : m_real->Flush();
    }
    bool Truncate(std::uint64_t size) override {
        m_seam->Call("Truncate", m_path, true);
        return Has(EFault::FailedWrite) ? Injected(false) : m_real->Truncate(size);
    }
    bool TakePermissionsOf(const CFileInfo& like) override {
        m_seam->Call("TakePermissionsOf", m_path, true);
        return m_real->TakePermissionsOf(like);
    }
    std::optional<CFileInfo> Info() override {
        m_seam->Call("Info", m_path, false);
        return m_real->Info();
    }

  private:
    bool Has(EFault fault) const { return Contains(m_faults, fault); }

    // All of `data`, one byte less (`shortFault`) or nothing (`failed`).
    template <typename Span, typename Call>
    std::size_t Transfer(Span data, EFault shortFault, EFault failed, Call call) {
        if (Has(failed)) {
            return Injected(std::size_t{0});
        }
        if (Has(shortFault) && !data.empty()) {
            return Injected(call(data.first(data.size() - 1)));
        }
        return call(data);
    }

    CFileHandle m_real;
    std::vector<EFault> m_faults;
    std::shared_ptr<CSeam> m_seam;
    std::string m_path;
};

}  // namespace

std::vector<EFault> CFaultyFileSystem::FaultsOf(const std::string& path) const {
    std::vector<EFault> faults;
    for (const auto& [fault, pathPart] : m_faults) {
        if (path.find(pathPart) != std::string::npos) {
            faults.push_back(fault);
        }
    }
    return faults;
}

bool CFaultyFileSystem::Hits(EFault fault, const std::string& path) const {
    return Contains(FaultsOf(path), fault) && Injected(true);
}

CFileHandle CFaultyFileSystem::Open(const std::string& path, COpen open, const char* writing) {
    m_seam->Call(writing != nullptr ? writing : "OpenRead", path, writing != nullptr);
    if (Hits(writing != nullptr ? EFault::OpenWrite : EFault::OpenRead, path)) {
        return nullptr;
    }
    CFileHandle file = (m_real.*open)(path);
    return file ? std::make_unique<CFaultyFile>(std::move(file), FaultsOf(path), m_seam, path) : nullptr;
}

CFileHandle CFaultyFileSystem::CopyToNew(const std::string& from, const std::string& newPath) {
    m_seam->Call("CopyToNew", newPath, true);
    if (Hits(EFault::Copy, from) || Hits(EFault::Copy, newPath)) {
        return nullptr;
    }
    CFileHandle file = m_real.CopyToNew(from, newPath);
    return file ? std::make_unique<CFaultyFile>(std::move(file), FaultsOf(newPath), m_seam, newPath) : nullptr;
}

bool CFaultyFileSystem::Renamed(const char* operation, CRename rename, const std::string& from, const std::string& to) {
    m_seam->Call(std::string(operation) + "?", to, false);
    const bool done = !Hits(EFault::Replace, to) && (m_real.*rename)(from, to);
    if (done) {
        const std::lock_guard lock(m_seam->mutex);
        m_seam->changes.push_back(operation + (" " + from + " " + to));
    }
    return done;
}
