#include "FileSystem.h"
#include "Path.h"
#include "TempFolder.h"

#include <algorithm>
#include <filesystem>

namespace {

class FileSystemTest : public CTempFolderTest {
  protected:
    IFileSystem& m_fs = DefaultFileSystem();

    std::vector<std::string> NamesFound(const std::string& pattern) {
        std::vector<std::string> names;
        if (auto found = m_fs.Find(pattern)) {
            for (const CFindData& match : *found) {
                names.push_back(match.strName);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FileSystemTest, OpenedFileReadsAndWritesWholeBuffers) {
    {
        CFileHandle out = m_fs.OpenWrite("a.bin");
        ASSERT_TRUE(out);
        EXPECT_EQ(out->Write(std::string_view("hello\0world", 11)), 11u);
    }
    CFileHandle in = m_fs.OpenRead("a.bin");
    ASSERT_TRUE(in);
    EXPECT_EQ(in->Size(), 11u);
    std::string buffer(20, 'x');
    EXPECT_EQ(in->Read(buffer), 11u) << "a read past the end gives what there is";
    EXPECT_EQ(buffer.substr(0, 11), std::string("hello\0world", 11));

    CFileHandle again = m_fs.OpenWrite("a.bin");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Size(), 0u) << "opening for writing empties the file";
}

TEST_F(FileSystemTest, OpenForReadingNeedsAnExistingFileNotAFolder) {
    std::filesystem::create_directory("folder.mp3");
    EXPECT_FALSE(m_fs.OpenRead("missing.mp3"));
    EXPECT_FALSE(m_fs.OpenRead("folder.mp3"));
    EXPECT_FALSE(m_fs.OpenWrite("folder.mp3"));
    EXPECT_FALSE(m_fs.OpenWrite(JoinPath("no-such-folder", "a.mp3")));
}

TEST_F(FileSystemTest, PatternMatchesNamesWithoutRegardToCase) {
    for (const char* name : {"SONG.MP3", "song2.mp3", "Mixed.Mp3", "notes.txt", "song.mp3.kelvara-part"}) {
        WriteFileBytes(name, "x");
    }
    std::filesystem::create_directory("sub");
    WriteFileBytes("sub/inner.mp3", "x");

    EXPECT_EQ(NamesFound(JoinPath(m_folder.string(), "*.mp3")),
              (std::vector<std::string>{"Mixed.Mp3", "SONG.MP3", "song2.mp3"}));
    EXPECT_EQ(NamesFound(JoinPath(m_folder.string(), "s?ng*.MP3")),
              (std::vector<std::string>{"SONG.MP3", "song2.mp3"}));
    EXPECT_EQ(NamesFound("*.*"), (std::vector<std::string>{".", "..", "Mixed.Mp3", "SONG.MP3", "notes.txt",
                                                           "song.mp3.kelvara-part", "song2.mp3", "sub"}));
    auto nothing = m_fs.Find("*.wav");
    ASSERT_TRUE(nothing);
    EXPECT_TRUE(nothing->empty());
    EXPECT_FALSE(m_fs.Find(JoinPath("no-such-folder", "*.*"))) << "a missing folder cannot be searched";
}

TEST_F(FileSystemTest, SearchReportsSizesAndFoldersAsZero) {
    WriteFileBytes("a.mp3", std::string(1500, 'a'));
    std::filesystem::create_directory("b.mp3");
    auto found = m_fs.Find("*.mp3");
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 2u);
    for (const CFindData& match : *found) {
        EXPECT_EQ(match.nSize, match.strName == "a.mp3" ? 1500u : 0u) << match.strName;
        EXPECT_EQ(match.bFolder, match.strName == "b.mp3");
    }
}

TEST_F(FileSystemTest, PlainPathFindsThatFileByItsStoredName) {
    std::filesystem::create_directory("music");
    WriteFileBytes("music/Long Song Name.mp3", "12345");
    const std::string folder = PathOf("music");

    auto exact = m_fs.Find(JoinPath(folder, "Long Song Name.mp3"));
    ASSERT_TRUE(exact);
    ASSERT_EQ(exact->size(), 1u);
    EXPECT_EQ(exact->front().strName, "Long Song Name.mp3");
    EXPECT_EQ(exact->front().nSize, 5u);

    EXPECT_EQ(NamesFound(JoinPath(folder, "LONG SONG NAME.MP3")), std::vector<std::string>{"Long Song Name.mp3"});
    EXPECT_TRUE(NamesFound(JoinPath(folder, "Other.mp3")).empty());
    EXPECT_EQ(NamesFound("music"), std::vector<std::string>{"music"}) << "a relative plain path works too";
    EXPECT_FALSE(m_fs.Find("")) << "an empty path names nothing";
}

TEST_F(FileSystemTest, CopyOverwritesAndKeepsTheSource) {
    WriteFileBytes("src.mp3", "new content");
    std::filesystem::create_directory("out");
    WriteFileBytes("out/src.mp3", "an older and longer content");

    ASSERT_TRUE(m_fs.Copy("src.mp3", JoinPath("out", "src.mp3")));
    EXPECT_EQ(ReadFileBytes("out/src.mp3"), "new content");
    EXPECT_EQ(ReadFileBytes("src.mp3"), "new content");
    EXPECT_EQ(NamesFound(JoinPath("out", "*.*")), (std::vector<std::string>{".", "..", "src.mp3"}))
        << "no temporary file is left behind";

    ASSERT_TRUE(m_fs.Copy("src.mp3", "src.mp3")) << "a copy onto itself keeps the file";
    EXPECT_EQ(ReadFileBytes("src.mp3"), "new content");
}

TEST_F(FileSystemTest, FailedCopyLeavesNothingAtTheDestination) {
    WriteFileBytes("src.mp3", "content");
    std::filesystem::create_directory("folder.mp3");
    EXPECT_FALSE(m_fs.Copy("missing.mp3", "copy.mp3"));
    EXPECT_FALSE(std::filesystem::exists("copy.mp3"));
    EXPECT_FALSE(m_fs.Copy("src.mp3", JoinPath("no-such-folder", "src.mp3")));
    EXPECT_FALSE(m_fs.Copy("folder.mp3", "copy.mp3")) << "a folder is no file to copy";
    EXPECT_FALSE(m_fs.Copy("src.mp3", "folder.mp3")) << "a folder is not replaced by a file";
    EXPECT_TRUE(std::filesystem::is_directory("folder.mp3"));
    EXPECT_EQ(NamesFound("*.*"), (std::vector<std::string>{".", "..", "folder.mp3", "src.mp3"}));
}

TEST_F(FileSystemTest, DeleteTellsAMissingFileFromAFailure) {
    WriteFileBytes("a.mp3", "x");
    std::filesystem::create_directory("folder.mp3");
    EXPECT_EQ(m_fs.Delete("a.mp3"), EDeleteResult::Deleted);
    EXPECT_FALSE(std::filesystem::exists("a.mp3"));
    EXPECT_EQ(m_fs.Delete("a.mp3"), EDeleteResult::NotFound);
    EXPECT_EQ(m_fs.Delete(JoinPath("no-such-folder", "a.mp3")), EDeleteResult::NotFound);
    EXPECT_EQ(m_fs.Delete("folder.mp3"), EDeleteResult::Failed);
    EXPECT_TRUE(std::filesystem::is_directory("folder.mp3"));
}

TEST_F(FileSystemTest, CreateFolderMakesOneLevel) {
    EXPECT_TRUE(m_fs.CreateFolder("out"));
    EXPECT_TRUE(std::filesystem::is_directory("out"));
    EXPECT_FALSE(m_fs.CreateFolder("out")) << "it exists already";
    EXPECT_FALSE(m_fs.CreateFolder(JoinPath(JoinPath("a", "b"), "c")));
    EXPECT_FALSE(std::filesystem::exists("a"));
}

}  // namespace
