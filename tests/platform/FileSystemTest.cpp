#include "FaultyFileSystem.h"
#include "FileSystem.h"
#include "Path.h"
#include "SystemError.h"
#include "TempFolder.h"

#include <algorithm>
#include <filesystem>

namespace {

class FileSystemTest : public CTempFolderTest {
  protected:
    IFileSystem& m_fs = DefaultFileSystem();
    CFileError m_error;

    // name:size of each match, sorted; none when the folder cannot be searched.
    std::vector<std::string> Found(const std::string& pattern) {
        std::vector<std::string> names;
        for (const CFindData& match : m_fs.Find(pattern).value_or(std::vector<CFindData>{})) {
            names.push_back(match.strName + ":" + std::to_string(match.nSize) + (match.IsFolder() ? "/" : ""));
        }
        std::ranges::sort(names);
        return names;
    }
};

TEST_F(FileSystemTest, FilesOpenOnlyAsFilesAndMoveWholeBuffers) {
    std::filesystem::create_directory("folder.mp3");
    EXPECT_FALSE(m_fs.OpenRead("missing.mp3", m_error));
    EXPECT_FALSE(m_fs.OpenRead("folder.mp3", m_error));

    ASSERT_TRUE(m_fs.OpenNew("a.bin", m_error));
    EXPECT_FALSE(m_fs.OpenNew("a.bin", m_error)) << "a new file is always new";
    WriteFileBytes("a.bin", std::string("hello\0world", 11));
    {
        CFileHandle in = m_fs.OpenRead("a.bin", m_error);
        ASSERT_TRUE(in);
        EXPECT_EQ(in->Size(), 11u);
        std::string buffer(20, 'x');
        EXPECT_EQ(buffer.substr(0, in->Read(buffer)), std::string("hello\0world", 11)) << "what there is, past the end";
        EXPECT_TRUE(m_fs.OpenRead("a.bin", m_error)) << "others may read too";
        EXPECT_EQ(buffer.substr(0, in->ReadAt(6, std::span<char>(buffer.data(), 5))), "world");

        CFileHandle out = m_fs.OpenNew("b.bin", m_error);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->Write(std::string_view("<")), 1u);
        EXPECT_EQ(out->AppendFrom(*in, 6, 5), 5u);
        EXPECT_EQ(out->AppendFrom(*in, 9, 5), 2u) << "a range past the end copies what there is";
        EXPECT_EQ(out->Error().strReason, "unexpected end of file");
        EXPECT_EQ(out->Write(std::string_view(">")), 1u);
    }
    EXPECT_EQ(ReadFileBytes("b.bin"), "<worldld>") << "each append lands after what was written";
}

// A source the kernel cannot copy from (Windows has no such copy at all) goes through a buffer, a megabyte at a
// time, each from its own offset.
TEST_F(FileSystemTest, RangeCopyFromAFileWithoutKernelDescriptorGoesThroughABuffer) {
    std::string bytes(5 << 19, '\0');  // a prime period, so that no megabyte repeats another
    std::ranges::generate(bytes, [i = 0]() mutable { return static_cast<char>(i++ % 251); });
    WriteFileBytes("big.bin", bytes);
    CFaultyFileSystem faultless;  // its files offer no descriptor
    CFileHandle in = faultless.OpenRead("big.bin", m_error);
    CFileHandle out = m_fs.OpenNew("copy.bin", m_error);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(out->Write(std::string_view(bytes).substr(0, 7)), 7u);
    EXPECT_EQ(out->AppendFrom(*in, 7, bytes.size()), bytes.size() - 7) << "what there is past the offset";
    out.reset();
    EXPECT_TRUE(ReadFileBytes("copy.bin") == bytes);
}

TEST_F(FileSystemTest, PatternsAndPlainPathsMatchWithoutRegardToCase) {
    for (const char* name : {"SONG.MP3", "song2.mp3", "notes.txt", "song.mp3.kelvara-part"}) {
        WriteFileBytes(name, "abc");
    }
    std::filesystem::create_directories("sub.mp3/deeper");
    WriteFileBytes("sub.mp3/inner.mp3", "x");

    EXPECT_EQ(Found(JoinPath(m_folder.string(), "*.mp3")),
              (std::vector<std::string>{"SONG.MP3:3", "song2.mp3:3", "sub.mp3:0/"}));
    EXPECT_EQ(Found("s?NG*.Mp3"), (std::vector<std::string>{"SONG.MP3:3", "song2.mp3:3"}));
    // A plain path finds that one entry, by the name the folder stores.
    EXPECT_EQ(Found(PathOf("Song2.MP3")), std::vector<std::string>{"song2.mp3:3"});
    EXPECT_EQ(Found("sub.mp3"), std::vector<std::string>{"sub.mp3:0/"});
    EXPECT_FALSE(m_fs.Find(""));
}

// However the folder is spelled, it is one lock; another folder is another.
TEST_F(FileSystemTest, EverySpellingOfAFolderIsOneLock) {
    std::filesystem::create_directories("out/inner");
    std::filesystem::create_directory("other");
    std::error_code noLinks;
    std::filesystem::create_directory_symlink("out", "link", noLinks);
    std::vector<std::string> spellings = {PathOf("out"), "./out", "out/", "out/inner/..", noLinks ? "out" : "link"};
    const CFolderLock first = m_fs.LockFolder("out");
    ASSERT_TRUE(first.pHold);
    for (const std::string& spelling : spellings) {
        const CFolderLock second = m_fs.LockFolder(spelling);
        EXPECT_TRUE(second.bBusy && !second.pHold) << spelling;
    }
    EXPECT_TRUE(m_fs.LockFolder("other").pHold);
}

TEST_F(FileSystemTest, CopyReplacesWholeOrLeavesEverythingAsItWas) {
    WriteFileBytes("src.mp3", "new content");
    std::filesystem::create_directories("out/folder.mp3");
    WriteFileBytes("out/src.mp3", "an older and longer content");
    ASSERT_TRUE(CopyWhole(m_fs, "src.mp3", JoinPath("out", "src.mp3"), m_error));
    EXPECT_EQ(ReadFileBytes("out/src.mp3"), "new content");
    EXPECT_FALSE(CopyWhole(m_fs, "missing.mp3", JoinPath("out", "copy.mp3"), m_error));
    EXPECT_FALSE(CopyWhole(m_fs, "src.mp3", JoinPath("no-such-folder", "src.mp3"), m_error));
    EXPECT_FALSE(CopyWhole(m_fs, "out", JoinPath("out", "copy.mp3"), m_error)) << "a folder is no file to copy";
    // Nor is a folder replaced by a file; no partial or temporary file is left behind.
    EXPECT_FALSE(CopyWhole(m_fs, "src.mp3", JoinPath("out", "folder.mp3"), m_error));
    EXPECT_EQ(Found(JoinPath("out", "*.*")),
              (std::vector<std::string>{"..:0/", ".:0/", "folder.mp3:0/", "src.mp3:11"}));
}

}  // namespace
