#include "TagConverter.h"
#include "TempFolder.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

// A tiny tmpfs of its own that fills up for real. Mounting needs root, as CI has.
class FullDiskTest : public CTempFolderTest {
  protected:
    void SetUp() override {
        CTempFolderTest::SetUp();
        std::filesystem::create_directory("disk");
        if (::geteuid() != 0 || ::mount("tmpfs", "disk", "tmpfs", 0, "size=96k") != 0) {
            GTEST_SKIP() << "a real full disk needs root to mount a small tmpfs";
        }
        m_mounted = true;
    }
    void TearDown() override {
        if (m_mounted) {
            ::umount2(PathOf("disk").c_str(), MNT_DETACH);
        }
        CTempFolderTest::TearDown();
    }

    bool m_mounted = false;
};

TEST_F(FullDiskTest, SongOnAFullDiskStaysByteIdentical) {
    // Larger than half the disk, so the old and the new content cannot both fit.
    const std::string song(60 * 1024, '\x5A');
    WriteFileBytes("disk/song.mp3", song);
    CTagConverter converter;
    converter.ConvertFile(PathOf("disk/song.mp3"), "song.mp3");
    EXPECT_TRUE(converter.m_bError);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"ERROR: writing DATA on output file."});
    EXPECT_TRUE(ReadFileBytes("disk/song.mp3") == song) << "the song is byte-identical";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("disk"), {}), 1) << "no temporary file is left";
}

using PosixConversionTest = CTempFolderTest;

TEST_F(PosixConversionTest, ConvertedFileKeepsItsPermissions) {
    WriteFileBytes("song.mp3", "audio");
    ::chmod("song.mp3", 0640);
    CTagConverter converter;
    converter.ConvertFile(PathOf("song.mp3"), "song.mp3");
    EXPECT_EQ(ReadFileBytes("song.mp3").substr(0, 3), "ID3");
    struct stat st {};
    ::stat("song.mp3", &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(PosixConversionTest, HardLinkedSongKeepsItsOtherNamesContent) {
    WriteFileBytes("a.mp3", "audio of a");
    WriteFileBytes("b.mp3", "audio of b, a little longer");
    std::filesystem::create_hard_link("a.mp3", "elsewhere.mp3");
    CTagConverter converter;
    {
        const CTagConverter::CBatch batch(converter);
        converter.ConvertFile(PathOf("a.mp3"), "a.mp3");
        converter.ConvertFile(PathOf("b.mp3"), "b.mp3");
    }
    EXPECT_EQ(ReadFileBytes("elsewhere.mp3"), "audio of a") << "the old content was not reused for b";
    EXPECT_EQ(ReadFileBytes("b.mp3").substr(0, 3), "ID3");
}

}  // namespace
