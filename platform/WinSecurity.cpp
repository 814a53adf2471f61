#include "WinSecurity.h"

#include "UniqueHandle.h"
#include "WinHandle.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace {

struct CLocalTraits {
    using Value = PSECURITY_DESCRIPTOR;
    static PSECURITY_DESCRIPTOR Invalid() { return nullptr; }
    static void Close(PSECURITY_DESCRIPTOR memory) { ::LocalFree(memory); }
};
// A security descriptor the system allocated, freed when it goes away.
using CLocalDescriptor = CUniqueHandle<CLocalTraits>;

void TakeAccessListOf(const std::wstring& target, const std::wstring& replacement) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (::GetNamedSecurityInfoW(target.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                                nullptr, &raw) != ERROR_SUCCESS) {
        return;
    }
    const CLocalDescriptor descriptor(raw);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor.Get(), &control, &revision);
    const SECURITY_INFORMATION inheritance = (control & SE_DACL_PROTECTED) != 0
                                                 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                 : UNPROTECTED_DACL_SECURITY_INFORMATION;
    std::wstring name = replacement;
    ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | inheritance, nullptr, nullptr,
                            list, nullptr);
}

void TakeCreationTimeOf(const std::wstring& target, const std::wstring& replacement) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const CWinHandle from(::CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILETIME created{};
    if (!from || !::GetFileTime(from.Get(), &created, nullptr, nullptr)) {
        return;
    }
    const CWinHandle to(::CreateFileW(replacement.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (to) {
        ::SetFileTime(to.Get(), &created, nullptr, nullptr);
    }
}

// The user this process runs as, as a SID string ("S-1-5-21-..."); empty when it cannot be told.
std::wstring CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const CWinHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    wchar_t* text = nullptr;
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) ||
        !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    std::wstring sid = text;
    ::LocalFree(text);
    return sid;
}

}  // namespace

SECURITY_ATTRIBUTES* OwnerOnlySecurity() {
    // Full access for the user who makes the file, nothing inherited and nothing for anyone else.
    static const CLocalDescriptor descriptor([] {
        const std::wstring user = CurrentUserSid();
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!user.empty()) {
            ::ConvertStringSecurityDescriptorToSecurityDescriptorW((L"D:P(A;;FA;;;" + user + L")").c_str(),
                                                                   SDDL_REVISION_1, &made, nullptr);
        }
        return made;
    }());
    static SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.Get(), FALSE};
    return descriptor ? &attributes : nullptr;
}

void TakeIdentityOf(const std::wstring& target, const std::wstring& replacement) {
    TakeAccessListOf(target, replacement);
    TakeCreationTimeOf(target, replacement);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        ::SetFileAttributesW(replacement.c_str(), attributes);
    }
}
