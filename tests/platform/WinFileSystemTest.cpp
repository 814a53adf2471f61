#include "FileSystem.h"
#include "TempFolder.h"

#include <windows.h>

namespace {

using WinFileSystemTest = CTempFolderTest;

// The spellings a path cannot tell apart: the \\?\ prefix, and the same folder through a drive letter of its
// own (as subst or a mapped drive gives it).
TEST_F(WinFileSystemTest, EverySpellingOfAFolderIsOneLockWhateverItsDriveLetter) {
    IFileSystem& fs = DefaultFileSystem();
    std::filesystem::create_directory("out");
    const CFolderLock first = fs.LockFolder(PathOf("out"));
    ASSERT_TRUE(first.pHold);
    EXPECT_TRUE(fs.LockFolder("\\\\?\\" + PathOf("out")).bBusy);
    EXPECT_TRUE(fs.LockFolder("OUT").bBusy);

    const std::wstring drive = L"K:";
    ASSERT_TRUE(::DefineDosDeviceW(0, drive.c_str(), m_folder.wstring().c_str()));
    const bool busy = fs.LockFolder("K:\\out").bBusy;
    const auto viaDrive = fs.InfoOf("K:\\out", true);
    const auto direct = fs.InfoOf(PathOf("out"), true);
    const bool same = viaDrive && direct && viaDrive->id == direct->id;
    ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    EXPECT_TRUE(same) << "K: leads to the same folder";
    EXPECT_TRUE(busy);
}

}  // namespace
