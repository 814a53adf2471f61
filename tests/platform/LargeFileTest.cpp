#include "FileSystem.h"
#include "TempFolder.h"

#include <filesystem>
#include <fstream>

namespace {

// Past 4 GiB, so neither a signed nor an unsigned 32-bit size could hold it.
constexpr std::uint64_t kLargeSize = (std::uint64_t{1} << 32) + 3;
// Where the markers stand: past a signed 32-bit offset, and at the very end.
constexpr std::uint64_t kMarkers[] = {0x7FFFFFFF, kLargeSize - 3};

using LargeFileTest = CTempFolderTest;

TEST_F(LargeFileTest, SizesAndCopiesAreExactPastFourGigabytes) {
    IFileSystem& fs = DefaultFileSystem();
    WriteFileBytes("big.mp3", "");
    std::filesystem::resize_file("big.mp3", kLargeSize);  // sparse: large on paper, a few bytes on disk
    {
        std::fstream file("big.mp3", std::ios::in | std::ios::out | std::ios::binary);
        for (const std::uint64_t at : kMarkers) {
            file.seekp(static_cast<std::streamoff>(at));
            file.write("end", 3);
        }
    }
    EXPECT_EQ(fs.OpenRead("big.mp3")->Size(), kLargeSize);
    auto found = fs.Find("*.mp3");
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(found->front().nSize, kLargeSize);

    std::filesystem::create_directory("out");
    ASSERT_TRUE(CopyWhole(fs, "big.mp3", "out/big.mp3"));
    EXPECT_EQ(std::filesystem::file_size("out/big.mp3"), kLargeSize);
    CFileHandle copy = fs.OpenRead("out/big.mp3");
    ASSERT_TRUE(copy);
    for (const std::uint64_t at : kMarkers) {
        std::string marker(3, '\0');
        EXPECT_EQ(copy->ReadAt(at, marker), 3u);
        EXPECT_EQ(marker, "end") << at;
    }
    EXPECT_EQ(std::filesystem::file_size("big.mp3"), kLargeSize) << "the source stays whole";
}

}  // namespace
