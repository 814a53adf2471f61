#include "FileSystem.h"
#include "TempFolder.h"

#include <filesystem>
#include <fstream>

namespace {

// Past 4 GiB, so neither a signed nor an unsigned 32-bit size could hold it.
constexpr std::uint64_t kLargeSize = (std::uint64_t{1} << 32) + 3;

class LargeFileTest : public CTempFolderTest {
  protected:
    // A sparse file: large on paper, a few bytes on disk.
    void MakeLargeFile(const std::string& name) {
        std::filesystem::resize_file(PathOf(name), 0);
        std::filesystem::resize_file(PathOf(name), kLargeSize);
        PutMarker(name, 0x7FFFFFFF, "mid");
        PutMarker(name, kLargeSize - 3, "end");
    }
    static void PutMarker(const std::string& name, std::uint64_t at, const std::string& text) {
        std::fstream file(name, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(at));
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    static std::string MarkerAt(const std::string& name, std::uint64_t at) {
        std::ifstream file(name, std::ios::binary);
        file.seekg(static_cast<std::streamoff>(at));
        std::string text(3, '\0');
        file.read(text.data(), 3);
        return text;
    }

    IFileSystem& m_fs = DefaultFileSystem();
};

TEST_F(LargeFileTest, SizesAndCopiesAreExactPastFourGigabytes) {
    WriteFileBytes("big.mp3", "");
    MakeLargeFile("big.mp3");

    CFileHandle file = m_fs.OpenRead("big.mp3");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), kLargeSize);

    auto found = m_fs.Find("*.mp3");
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(found->front().nSize, kLargeSize);

    std::filesystem::create_directory("out");
    ASSERT_TRUE(CopyWhole(m_fs, "big.mp3", "out/big.mp3"));
    EXPECT_EQ(std::filesystem::file_size("out/big.mp3"), kLargeSize);
    EXPECT_EQ(MarkerAt("out/big.mp3", 0x7FFFFFFF), "mid");
    EXPECT_EQ(MarkerAt("out/big.mp3", kLargeSize - 3), "end");
    EXPECT_EQ(std::filesystem::file_size("big.mp3"), kLargeSize) << "the source stays whole";
}

}  // namespace
