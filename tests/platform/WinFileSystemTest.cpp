#include "FileSystem.h"
#include "TempFolder.h"

#include <windows.h>

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

}  // namespace
