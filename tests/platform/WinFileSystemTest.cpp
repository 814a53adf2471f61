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

// A replaced song keeps what makes it the user's: its access list (under Wine, the one its Unix mode gives; the new
// content starts with its owner's alone) and its attributes.
TEST_F(WinFileSystemTest, AReplacedSongKeepsItsAccessListAndAttributes) {
    WriteFileBytes("song.mp3", "old");
    const std::wstring song = m_folder.wstring() + L"\\song.mp3";
    ::SetFileAttributesW(song.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::wstring accessBefore = AccessListOf(song);

    CReplacement replacement(DefaultFileSystem(), PathOf("song.mp3"));
    ASSERT_TRUE(replacement.Create());
    ASSERT_EQ(replacement.File().Write(std::string_view("new")), 3u);
    ASSERT_TRUE(replacement.Flush());
    ASSERT_TRUE(replacement.Commit());

    EXPECT_EQ(ReadFileBytes("song.mp3"), "new");
    EXPECT_EQ(AccessListOf(song), accessBefore);
    EXPECT_NE(::GetFileAttributesW(song.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

}  // namespace
