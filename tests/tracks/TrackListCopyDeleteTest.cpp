#include "Path.h"
#include "TrackListFixture.h"

#include <algorithm>
#include <filesystem>

namespace {

TEST_F(TrackListTest, CopyPutsTheEntryIntoTheOutFolderUnderItsName) {
    SetUpSongs(3);
    auto list = MakeList();
    list->CopyByNumber("3");
    EXPECT_EQ(list->Status(), "FILE (3) COPIED:song3.mp3");
    EXPECT_EQ(ReadFileBytes("out/song3.mp3"), "audio 3");
    // A power cut keeps only what was flushed: the copy's bytes go to the disk before the rename names them.
    const std::vector<std::string>& changes = m_fs.Changes();
    const auto rename = std::find_if(changes.begin(), changes.end(),
                                     [](const std::string& change) { return change.starts_with("Rename "); });
    ASSERT_NE(rename, changes.end());
    const std::string temporary = rename->substr(7, rename->find(' ', 7) - 7);
    EXPECT_NE(std::find(changes.begin(), rename, "Flush " + temporary), rename) << "renamed before its flush";

    WriteFileBytes("out/song1.mp3", "stale copy");
    list->CopyByNumber("0001");
    EXPECT_EQ(list->Status(), "FILE (0001) COPIED:song1.mp3") << "the number as typed";
    EXPECT_EQ(ReadFileBytes("out/song1.mp3"), "audio 1");
    list->CopyByNumber("1");
    EXPECT_EQ(ReadFileBytes("out/song1.mp3"), "audio 1");

    list->CopyByNumber("4");
    EXPECT_EQ(list->Status(), "ERROR: too big number");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"FILE (3) COPIED:song3.mp3", "FILE (0001) COPIED:song1.mp3",
                                                    "FILE (1) COPIED:song1.mp3", "ERROR: too big number"}));
}

TEST_F(TrackListTest, NumbersOutsideTheTableAreRefusedByBothCommands) {
    SetUpSongs(2);
    auto list = MakeList();
    for (const char* text : {"", "0", "3"}) {
        list->CopyByNumber(text);
        EXPECT_TRUE(list->Status().starts_with("ERROR: ")) << text;
        list->DeleteByNumber(text);
        EXPECT_TRUE(list->Status().starts_with("ERROR: ")) << text;
    }
    EXPECT_TRUE(std::filesystem::is_empty("out"));
    EXPECT_EQ(LogLines().size(), 6u);
}

TEST_F(TrackListTest, ALongNameIsCopiedAsStoredWhateverCaseTheListUses) {
    std::filesystem::create_directory("music");
    WriteFileBytes("music/My Long Song Name.mp3", "tune");
    WriteConfig("out", "list.m3u");
    WritePlaylist({PathOf("music/MY LONG SONG NAME.MP3")});
    auto list = MakeList();
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) COPIED:My Long Song Name.mp3");
    EXPECT_EQ(ReadFileBytes("out/My Long Song Name.mp3"), "tune");
}

TEST_F(TrackListTest, RelativeEntriesAreFoundBesideThePlaylist) {
    std::filesystem::create_directories("lists/songs");
    WriteFileBytes("lists/songs/near.mp3", "near");
    WriteFileBytes("songs-near.mp3", "decoy in the working folder");
    WriteConfig("out", PathOf("lists/list.m3u"));
    WritePlaylist({"songs/near.mp3", "songs/missing.mp3"}, "lists/list.m3u");
    auto list = MakeList();
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) COPIED:near.mp3");
    EXPECT_EQ(ReadFileBytes("out/near.mp3"), "near");
    list->CopyByNumber("2");
    EXPECT_EQ(list->Status(), "ERROR: file not found: songs/missing.mp3") << "the entry as the list has it";
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) DELETED:near.mp3");
    EXPECT_FALSE(std::filesystem::exists("out/near.mp3"));
    EXPECT_TRUE(std::filesystem::exists("lists/songs/near.mp3"));
}

TEST_F(TrackListTest, FailedCopyIsAnErrorNamingTheFileNeverCopied) {
    SetUpSongs(2);
    auto list = MakeList();
    m_fs.Inject(EFault::Copy, "song1.mp3");
    list->CopyByNumber("1");
    const std::string expected =
        "ERROR: could not copy " + PathOf("song1.mp3") + " to " + JoinPath("out", "song1.mp3") + ": injected fault";
    EXPECT_EQ(list->Status(), expected);
    EXPECT_EQ(LogLines(), std::vector<std::string>{expected});

    std::filesystem::remove_all("out");
    list->CopyByNumber("2");
    EXPECT_TRUE(list->Status().starts_with("ERROR: could not copy ")) << "a missing out folder is a failure";
    EXPECT_NE(list->Status().find("song2.mp3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("out"));

    std::filesystem::remove("song2.mp3");
    list->CopyByNumber("2");
    EXPECT_EQ(list->Status(), "ERROR: file not found: " + PathOf("song2.mp3"));
}

TEST_F(TrackListTest, DeleteRemovesTheCopyAndAcceptsOneAlreadyGone) {
    SetUpSongs(2);
    auto list = MakeList();
    list->CopyByNumber("2");
    list->DeleteByNumber("02");
    EXPECT_EQ(list->Status(), "FILE (02) DELETED:song2.mp3");
    EXPECT_FALSE(std::filesystem::exists("out/song2.mp3"));
    EXPECT_TRUE(std::filesystem::exists("song2.mp3")) << "the source stays";
    list->DeleteByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) DELETED:song2.mp3") << "the copy is gone, as asked";
}

TEST_F(TrackListTest, DeleteOfAVanishedSourceSaysSoAndDeletesNothing) {
    SetUpSongs(2);
    auto list = MakeList();
    list->CopyByNumber("1");
    std::filesystem::remove("song1.mp3");
    list->DeleteByNumber("1");
    const std::string notFound = "ERROR: file not found: " + PathOf("song1.mp3");
    EXPECT_EQ(list->Status(), notFound) << "an older success must not stay in the status";
    EXPECT_TRUE(std::filesystem::exists("out/song1.mp3"));
    EXPECT_EQ(LogLines().back(), notFound);
}

TEST_F(TrackListTest, FailedDeleteIsReportedAsAnError) {
    SetUpSongs(1);
    auto list = MakeList();
    list->CopyByNumber("1");
    m_fs.Inject(EFault::Delete);
    list->DeleteByNumber("1");
    const std::string expected = "ERROR: could not delete " + JoinPath("out", "song1.mp3") + ": injected fault";
    EXPECT_EQ(list->Status(), expected);
    EXPECT_EQ(LogLines().back(), expected);
    EXPECT_TRUE(std::filesystem::exists("out/song1.mp3"));

    m_fs.Clear();
    std::filesystem::remove("out/song1.mp3");
    std::filesystem::create_directory("out/song1.mp3");
    list->DeleteByNumber("1");
    EXPECT_TRUE(list->Status().starts_with("ERROR: could not delete " + JoinPath("out", "song1.mp3") + ": "))
        << "a folder in the copy's place is not deleted";
}

TEST_F(TrackListTest, WithoutAnOutFolderNothingIsCopiedToTheRoot) {
    SetUpSongs(1);
    auto list = MakeList();
    WriteFileBytes("Kelvara.ini", "\r\n\r\n");
    list->Load();
    ASSERT_EQ(list->OutDir(), "");
    ASSERT_EQ(list->Count(), 1) << "the old table stays usable";
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: no out folder is configured");
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: no out folder is configured");
    EXPECT_FALSE(std::filesystem::exists(JoinPath("", "song1.mp3")));
}

// The out folder is the playlist's own folder: the file there is the only one, not a copy.
TEST_F(TrackListTest, ThePlaylistsOwnFilesAreNeverTakenForCopies) {
    std::filesystem::create_directory("music");
    WriteFileBytes("music/song.mp3", "the only copy");
    WriteConfig("music", "music/list.m3u");
    WritePlaylist({"song.mp3"}, "music/list.m3u");
    auto list = MakeList();
    const std::string target = JoinPath("music", "song.mp3");
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: " + target + " is the playlist's own file, not a copy; nothing deleted");
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: " + target + " is the playlist's own file; nothing copied");
    EXPECT_EQ(LogLines().size(), 2u);
    EXPECT_EQ(ReadFileBytes("music/song.mp3"), "the only copy");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("music"), {}), 2) << "nothing left beside it";
}

TEST_F(TrackListTest, AReadOnlyCopyIsNotReplaced) {
    SetUpSongs(1);
    auto list = MakeList();
    WriteFileBytes("out/song1.mp3", "an older, read-only copy");
    std::filesystem::permissions("out/song1.mp3", std::filesystem::perms::all, std::filesystem::perm_options::remove);
    std::filesystem::permissions("out/song1.mp3", std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::add);
    list->CopyByNumber("1");
    EXPECT_TRUE(list->Status().starts_with("ERROR: could not copy ")) << list->Status();
    EXPECT_EQ(ReadFileBytes("out/song1.mp3"), "an older, read-only copy");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("out"), {}), 1) << "no temporary file is left";
    std::filesystem::permissions("out/song1.mp3", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

// COPY and DELETE wait for no one: while another Kelvara works in the out folder they do nothing and say so.
TEST_F(TrackListTest, AnotherKelvaraInTheOutFolderTurnsCommandsAway) {
    SetUpSongs(2);
    auto list = MakeList();
    list->CopyByNumber("2");
    const std::string busy = "ERROR: another Kelvara is working in out";
    {
        const CFolderLock other = DefaultFileSystem().LockFolder("out");
        ASSERT_TRUE(other.pHold);
        list->CopyByNumber("1");
        EXPECT_EQ(list->Status(), busy);
        list->DeleteByNumber("2");
        EXPECT_EQ(list->Status(), busy);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{"FILE (2) COPIED:song2.mp3", busy, busy}));
        EXPECT_FALSE(std::filesystem::exists("out/song1.mp3"));
        EXPECT_TRUE(std::filesystem::exists("out/song2.mp3"));
    }
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) COPIED:song1.mp3") << "the user can retry once the other is done";
}

}  // namespace
