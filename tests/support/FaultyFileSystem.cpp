#include "FaultyFileSystem.h"

#include "SystemError.h"

#include <algorithm>
#include <new>
#include <type_traits>

void CFaultyFileSystem::Call(const std::string& operation, const std::string& path, bool record) {
    CHook act;
    {
        const std::lock_guard lock(m_mutex);
        if (++m_nCalls == m_nThrowAt) {
            throw std::bad_alloc();
        }
        if (record) {
            m_changes.push_back(operation + " " + path);
        }
        act = m_hook;
    }
    if (act) {
        const std::lock_guard serialized(m_hookMutex);
        act(operation, path);
    }
}

namespace {

// The reason an injected failure gives, as the real file layer gives the system's.
const CFileError kInjected{"injected fault"};

class CFaultyFile final : public IFile {
  public:
    CFaultyFile(CFileHandle real, CFaultyFileSystem& fs, std::string path)
        : m_real(std::move(real)), m_fs(fs), m_path(std::move(path)) {}

    const CFileError& Error() const override { return m_own ? *m_own : m_real->Error(); }
    std::optional<std::uint64_t> Size() override { return Real("Size").Size(); }
    std::size_t Read(std::span<char> buffer) override {
        return Transfer("Read", buffer, [this](auto part) { return m_real->Read(part); });
    }
    std::size_t ReadAt(std::uint64_t offset, std::span<char> buffer) override {
        return Transfer("Read", buffer, [&](auto part) { return m_real->ReadAt(offset, part); });
    }
    std::size_t Write(std::span<const char> data) override {
        return Transfer("Write", data, [this](auto part) { return m_real->Write(part); });
    }
    // Through a buffer, so that the source's reads and this file's writes meet their own faults.
    std::uint64_t AppendFrom(IFile& source, std::uint64_t offset, std::uint64_t size) override {
        CFileError error;
        const bool cut = Has(EFault::RangeCopy);
        const std::uint64_t done = AppendThroughBuffer(source, offset, cut ? size / 2 : size, *this, error);
        m_own = cut ? kInjected : error;
        return done;
    }
    bool Flush() override {
        m_fs.Call("Flush", m_path, true);
        m_own = Has(EFault::Flush) ? std::optional(kInjected) : std::nullopt;
        return !m_own && m_real->Flush();
    }
    bool TakePermissionsOf(const CFileInfo& like) override {
        m_fs.Call("TakePermissionsOf", m_path, true);
        m_own.reset();
        return m_real->TakePermissionsOf(like);
    }
    std::optional<CFileInfo> Info() override { return Real("Info").Info(); }

  private:
    bool Has(EFault fault) const { return m_fs.Injected(fault, m_path); }
    // The real file, once the call is counted.
    IFile& Real(const char* operation) {
        m_fs.Call(operation, m_path, false);
        return *m_real;
    }

    // All of `data`, or one byte less (a short read or write); writes are recorded.
    template <typename Span, typename Call>
    std::size_t Transfer(const char* operation, Span data, Call call) {
        constexpr bool writing = std::is_const_v<typename Span::element_type>;
        m_fs.Call(operation, m_path, writing);
        const bool cut = Has(writing ? EFault::ShortWrite : EFault::ShortRead) && !data.empty();
        m_own = cut ? std::optional(kInjected) : std::nullopt;
        return call(cut ? data.first(data.size() - 1) : data);
    }

    CFileHandle m_real;
    CFaultyFileSystem& m_fs;
    std::string m_path;
    std::optional<CFileError> m_own;  // the last failure's reason, where it is not the real file's
};

}  // namespace

bool CFaultyFileSystem::Injected(EFault fault, const std::string& path) const {
    return std::ranges::any_of(m_faults, [&](const auto& injected) {
        return injected.first == fault && path.find(injected.second) != std::string::npos;
    });
}

bool CFaultyFileSystem::Hits(EFault fault, const std::string& path, CFileError& error) const {
    const bool hit = Injected(fault, path);
    error = hit ? kInjected : error;
    return hit;
}

CFileHandle CFaultyFileSystem::Open(const std::string& path, COpen open, CFileError& error, const char* writing) {
    Call(writing != nullptr ? writing : "OpenRead", path, writing != nullptr);
    const bool hit = Hits(writing != nullptr ? EFault::OpenWrite : EFault::OpenRead, path, error);
    CFileHandle file = hit ? nullptr : (m_real.*open)(path, error);
    return file ? std::make_unique<CFaultyFile>(std::move(file), *this, path) : nullptr;
}

CFileHandle CFaultyFileSystem::CopyToNew(const std::string& from, const std::string& newPath, CFileError& error) {
    Call("CopyToNew", newPath, true);
    const bool hit = Hits(EFault::Copy, from, error) || Hits(EFault::Copy, newPath, error);
    CFileHandle file = hit ? nullptr : m_real.CopyToNew(from, newPath, error);
    return file ? std::make_unique<CFaultyFile>(std::move(file), *this, newPath) : nullptr;
}

// Recorded only when it happens: a rename that fails changes nothing.
bool CFaultyFileSystem::Replace(const std::string& replacement, const std::string& target, CFileError& error) {
    Call("Replace?", target, false);
    const bool done = !Hits(EFault::Replace, target, error) && m_real.Replace(replacement, target, error);
    if (done) {
        const std::lock_guard lock(m_mutex);
        m_changes.push_back("Replace " + replacement + " " + target);
    }
    return done;
}
