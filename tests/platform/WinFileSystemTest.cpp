#include "FileSystem.h"
#include "Replacement.h"
#include "TempFolder.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <memory>

namespace {

class WinFileSystemTest : public CTempFolderTest {
  protected:
    // The folder through another drive letter: under Wine its drive Z:, which holds the whole Unix file system;
    // on Windows a drive made for the test as subst makes one.
    std::string OtherDriveSpelling(const std::string& name) {
        using CUnixName = char*(__cdecl*)(const wchar_t*);
        const auto unixName = reinterpret_cast<CUnixName>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        if (unixName != nullptr) {
            const std::unique_ptr<char, void (*)(char*)> path(
                unixName(m_folder.wstring().c_str()), [](char* text) { ::HeapFree(::GetProcessHeap(), 0, text); });
            std::string spelling = "Z:" + std::string(path.get()) + "/" + name;
            std::replace(spelling.begin(), spelling.end(), '/', '\\');
            return spelling;
        }
        m_bSubst = ::DefineDosDeviceW(0, L"K:", m_folder.wstring().c_str()) != 0;
        return "K:\\" + name;
    }
    void TearDown() override {
        if (m_bSubst) {
            ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"K:", nullptr);
        }
        CTempFolderTest::TearDown();
    }

    bool m_bSubst = false;
};

// The spellings a path cannot tell apart: the \\?\ prefix, and the same folder through another drive letter (as
// subst or a mapped drive gives it).
TEST_F(WinFileSystemTest, EverySpellingOfAFolderIsOneLockWhateverItsDriveLetter) {
    IFileSystem& fs = DefaultFileSystem();
    std::filesystem::create_directory("out");
    const CFolderLock first = fs.LockFolder(PathOf("out"));
    ASSERT_TRUE(first.pHold);
    EXPECT_TRUE(fs.LockFolder("\\\\?\\" + PathOf("out")).bBusy);
    EXPECT_TRUE(fs.LockFolder("OUT").bBusy);

    const std::string otherDrive = OtherDriveSpelling("out");
    ASSERT_NE(otherDrive.substr(0, 2), PathOf("out").substr(0, 2));
    const auto viaOtherDrive = fs.InfoOf(otherDrive, true);
    const auto direct = fs.InfoOf(PathOf("out"), true);
    ASSERT_TRUE(viaOtherDrive && direct && viaOtherDrive->id == direct->id) << otherDrive << " is the same folder";
    EXPECT_TRUE(fs.LockFolder(otherDrive).bBusy) << otherDrive;
}

std::wstring AccessListOf(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    wchar_t* text = nullptr;
    const bool read = ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                              nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
                      ::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                             DACL_SECURITY_INFORMATION, &text, nullptr);
    std::wstring result = read ? text : L"none";
    ::LocalFree(text);
    ::LocalFree(descriptor);
    return result;
}

WIN32_FILE_ATTRIBUTE_DATA AttributesOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data;
}

// A replaced song keeps what makes it the user's: its access list, creation time and attributes. The new content
// is its owner's alone until then.
TEST_F(WinFileSystemTest, AReplacedSongKeepsItsSecurityCreationTimeAndAttributes) {
    WriteFileBytes("song.mp3", "old");
    const std::wstring song = m_folder.wstring() + L"\\song.mp3";
    ::SetNamedSecurityInfoW(const_cast<wchar_t*>(song.c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                            nullptr);  // a protected, empty list first, so that the song's is its own
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)(A;;FR;;;WD)", SDDL_REVISION_1,
                                                                       &wanted, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    ::GetSecurityDescriptorDacl(wanted, &present, &list, &defaulted);
    ::SetNamedSecurityInfoW(const_cast<wchar_t*>(song.c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, list,
                            nullptr);
    ::LocalFree(wanted);
    const FILETIME longAgo{0x5D4A8000u, 0x01C0E3C9u};  // in 2001
    const HANDLE file = ::CreateFileW(song.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(file, &longAgo, nullptr, nullptr);
    ::CloseHandle(file);
    ::SetFileAttributesW(song.c_str(), FILE_ATTRIBUTE_HIDDEN);
    // Wine keeps neither an access list nor a creation time apart from the Linux file's mode and times, so there
    // these two cannot be shown.
    const std::wstring accessBefore = AccessListOf(song);
    const bool keepsAccessList = accessBefore == L"D:P(A;;FA;;;OW)(A;;FR;;;WD)";
    const bool keepsCreationTime = AttributesOf(song).ftCreationTime.dwHighDateTime == longAgo.dwHighDateTime;

    CReplacement replacement(DefaultFileSystem(), PathOf("song.mp3"));
    ASSERT_TRUE(replacement.Create());
    ASSERT_EQ(replacement.File().Write(std::string_view("new")), 3u);
    ASSERT_TRUE(replacement.Flush());
    ASSERT_TRUE(replacement.Commit());

    EXPECT_EQ(ReadFileBytes("song.mp3"), "new");
    EXPECT_TRUE(!keepsAccessList || AccessListOf(song) == accessBefore);
    const WIN32_FILE_ATTRIBUTE_DATA after = AttributesOf(song);
    EXPECT_TRUE(!keepsCreationTime || ::CompareFileTime(&longAgo, &after.ftCreationTime) == 0);
    EXPECT_NE(after.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

}  // namespace
