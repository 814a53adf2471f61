#include "ActivityLog.h"
#include "FileSystem.h"
#include "SystemError.h"
#include "TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

class PosixFileSystemTest : public CTempFolderTest {
  protected:
    IFileSystem& m_fs = DefaultFileSystem();
    CFileError m_error;
};

// Root may write anywhere, so the test gives up root's rights for its length; another user is refused anyway.
TEST_F(PosixFileSystemTest, ACopyRefusedForWantOfPermissionSaysSo) {
    WriteFileBytes("song.mp3", "song");
    std::filesystem::create_directory("out");
    ::chmod(".", 0755);
    ::chmod("out", 0555);
    const uid_t user = ::geteuid();
    ASSERT_TRUE(user != 0 || ::seteuid(65534) == 0);
    const bool copied = CopyWhole(m_fs, "song.mp3", "out/song.mp3", m_error);
    ASSERT_TRUE(user != 0 || ::seteuid(0) == 0);
    ::chmod("out", 0755);
    EXPECT_EQ(copied ? "copied" : m_error.strReason, "Permission denied");
    EXPECT_TRUE(std::filesystem::is_empty("out"));
}

// Opening a FIFO for reading would wait for a writer forever; a link would lead out of the folder.
TEST_F(PosixFileSystemTest, AFifoIsNeverWaitedOnAndALinkNeverWrittenThrough) {
    std::filesystem::create_directory("out");
    ASSERT_EQ(::mkfifo("fifo.mp3", 0644), 0);
    WriteFileBytes("song.mp3", "song");
    std::filesystem::create_symlink("song.mp3", "link.mp3");
    EXPECT_FALSE(m_fs.OpenRead("fifo.mp3", m_error));
    EXPECT_FALSE(CopyWhole(m_fs, "fifo.mp3", "out/fifo.mp3", m_error));
    // A file whose content runs past its size, as /proc's do, is no song either.
    EXPECT_FALSE(CopyWhole(m_fs, "/proc/self/status", "out/status.mp3", m_error));
    EXPECT_EQ(m_error.strReason, "it is not a regular file");
    EXPECT_FALSE(m_fs.OpenEntryRead("link.mp3", m_error));
    EXPECT_FALSE(m_fs.CanWrite("link.mp3", m_error));
    EXPECT_TRUE(m_fs.OpenRead("link.mp3", m_error)) << "a playlist entry may be a link to a song";
    EXPECT_FALSE(m_fs.OpenNew("link.mp3", m_error)) << "a new file is never made through a link";
    EXPECT_TRUE(std::filesystem::is_empty("out"));

    // The activity log alike: neither emptied nor written through a link (nor made at its end), nor waited on.
    std::filesystem::create_symlink("song.mp3", kLogFileName);
    EXPECT_EQ(StartLog(), ELogStart::NotRegular);
    AppendLogLine("lost");
    EXPECT_EQ(ReadFileBytes("song.mp3"), "song");
    std::filesystem::remove(kLogFileName);
    std::filesystem::create_symlink("made.txt", kLogFileName);
    EndLog();
    AppendLogLine("lost");
    EXPECT_FALSE(std::filesystem::exists("made.txt"));
    std::filesystem::remove(kLogFileName);
    ASSERT_EQ(::mkfifo(kLogFileName, 0644), 0);
    EXPECT_EQ(StartLog(), ELogStart::NotRegular);
    EndLog();
    AppendLogLine("lost");
}

// Past 4 GiB, so neither a signed nor an unsigned 32-bit size could hold it; sparse, so it takes no room.
constexpr std::uint64_t kLargeSize = (std::uint64_t{1} << 32) + 3;
// Where the markers stand: past a signed 32-bit offset, and at the very end.
constexpr std::uint64_t kMarkers[] = {0x7FFFFFFF, kLargeSize - 3};

TEST_F(PosixFileSystemTest, SizesAndCopiesAreExactPastFourGigabytes) {
    WriteFileBytes("big.mp3", "");
    std::filesystem::resize_file("big.mp3", kLargeSize);  // sparse: large on paper, a few bytes on disk
    {
        std::fstream file("big.mp3", std::ios::in | std::ios::out | std::ios::binary);
        for (const std::uint64_t at : kMarkers) {
            file.seekp(static_cast<std::streamoff>(at));
            file.write("end", 3);
        }
    }
    EXPECT_EQ(m_fs.OpenRead("big.mp3", m_error)->Size(), kLargeSize);
    EXPECT_EQ(m_fs.Find("*.mp3").value().at(0).nSize, kLargeSize);

    std::filesystem::create_directory("out");
    ASSERT_TRUE(CopyWhole(m_fs, "big.mp3", "out/big.mp3", m_error));
    CFileHandle copy = m_fs.OpenRead("out/big.mp3", m_error);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Size(), kLargeSize);
    for (const std::uint64_t at : kMarkers) {
        std::string marker(3, '\0');
        EXPECT_EQ(marker.substr(0, copy->ReadAt(at, marker)), "end") << at;
    }
}

}  // namespace
