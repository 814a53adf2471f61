#include "ActivityLog.h"
#include "FaultyFileSystem.h"
#include "Path.h"
#include "TempFolder.h"
#include "TrackList.h"

#include <algorithm>
#include <filesystem>

namespace {

// A working folder with "Kelvara.ini", a playlist "list.m3u" and an out folder "out".
class TrackListTest : public CTempFolderTest {
  protected:
    // A blank first line and no break after the last: neither may matter.
    void WriteConfig(const std::string& outDir, const std::string& playlist) {
        WriteFileBytes("Kelvara.ini", "\r\n" + outDir + "\r\n" + playlist);
    }
    void WritePlaylist(const std::vector<std::string>& entries, const std::string& name = "list.m3u") {
        std::string text = "#EXTM3U\r\n";
        for (const std::string& entry : entries) {
            text += "#EXTINF:1,x\r\n" + entry + "\r\n";
        }
        WriteFileBytes(name, text);
    }
    // Songs song1.mp3 ... songN.mp3 in the working folder, listed by absolute path.
    void SetUpSongs(int count) {
        std::vector<std::string> entries;
        for (int i = 1; i <= count; ++i) {
            const std::string name = "song" + std::to_string(i) + ".mp3";
            WriteFileBytes(name, "audio " + std::to_string(i));
            entries.push_back(PathOf(name));
        }
        WriteConfig("out", "list.m3u");
        WritePlaylist(entries);
    }
    std::unique_ptr<CTrackList> MakeList() { return std::make_unique<CTrackList>(m_fs); }
    static std::ptrdiff_t FilesIn(const std::string& folder) {
        return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
    }

    CFaultyFileSystem m_fs;
};

TEST_F(TrackListTest, StartUpLoadsTheListCreatesTheOutFolderAndEmptiesTheLog) {
    WriteFileBytes("Kelvara.log", "a line of the previous run\n");
    SetUpSongs(3);
    auto list = MakeList();
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->EntryLine(3), "3: " + PathOf("song3.mp3"));
    EXPECT_EQ(list->OutDir(), "out");
    EXPECT_TRUE(std::filesystem::is_directory("out"));
    EXPECT_EQ(list->Status(), "OUT DIR:out") << "the start-up status survives for the window";
    EXPECT_EQ(ReadFileBytes("Kelvara.log"), "") << "the start-up line is not kept either";

    WritePlaylist({"/x/only.mp3"});
    list->Load();
    EXPECT_EQ(LogLines(), std::vector<std::string>{"OUT DIR:out"}) << "an existing out folder is fine";
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(list->EntryLine(1), "1: /x/only.mp3");

    list.reset();
    EndLog();  // as when that Kelvara ends
    std::filesystem::remove("Kelvara.log");
    std::filesystem::create_directory("Kelvara.log");
    EXPECT_EQ(MakeList()->Status(), "ERROR: Kelvara.log is not a regular file; nothing is logged");
}

// A failed load keeps the old table usable; the out folder changes only once the configuration was read.
TEST_F(TrackListTest, FailedLoadsChangeNothingButTheStatus) {
    SetUpSongs(2);
    auto list = MakeList();
    m_fs.Inject(EFault::ShortRead, "Kelvara.ini");
    WriteConfig("elsewhere", "list.m3u");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: reading: INI_FILE");
    EXPECT_TRUE(LogLines().empty()) << "a short configuration read is no log line";
    m_fs.Clear();
    std::filesystem::remove("Kelvara.ini");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: Could not open file INI_FILE");
    EXPECT_EQ(list->OutDir(), "out");

    WriteConfig("out2", "gone.m3u");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: Could not open .m3u file");
    EXPECT_EQ(list->OutDir(), "out2");
    EXPECT_FALSE(std::filesystem::exists("out2")) << "the folder is made only after a good load";
    WriteConfig("out3", "list.m3u");
    m_fs.Inject(EFault::FailedRead, "list.m3u");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: reading: .m3u file");
    EXPECT_EQ(list->OutDir(), "out3");
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->EntryLine(2), "2: " + PathOf("song2.mp3"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"ERROR: Could not open file INI_FILE",
                                                    "ERROR: Could not open .m3u file", "ERROR: reading: .m3u file"}));
    // A playlist too large to hold is a read error too.
    m_fs.Clear();
    WriteConfig("out", "huge.m3u");
    WriteFileBytes("huge.m3u", "/a.mp3\n");
    std::filesystem::resize_file("huge.m3u", std::uint64_t{1} << 31);  // sparse: no room taken
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: reading: .m3u file");
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(std::filesystem::file_size("huge.m3u"), std::uint64_t{1} << 31);

    std::filesystem::remove("Kelvara.ini");
    auto fresh = MakeList();
    EXPECT_EQ(fresh->Status(), "ERROR: Could not open file INI_FILE");
    EXPECT_EQ(fresh->Count(), 0);
    EXPECT_EQ(fresh->OutDir(), "");
}

// An empty configuration leaves the old table but no out folder, so nothing may be copied to the root; a zero
// byte would end a path early where the system reads it ("victim.txt\0/out" names victim.txt), so a line
// holding one refuses the configuration alike.
TEST_F(TrackListTest, AConfigurationWithoutAUsableOutFolderRefusesEveryCommand) {
    SetUpSongs(1);
    auto list = MakeList();
    WriteFileBytes("victim.txt", "victim");
    const std::string zero(1, '\0');
    const std::pair<std::string, std::string> cases[] = {
        {"\r\n\r\n", "ERROR: Could not open .m3u file"},
        {PathOf("victim.txt") + zero + "/out\r\nlist.m3u\r\n", "ERROR: Kelvara.ini line 1 holds a zero byte"},
        {"\r\nout\r\n\r\nlist.m3u" + zero + "x\r\n", "ERROR: Kelvara.ini line 2 holds a zero byte"},
    };
    for (const auto& [ini, status] : cases) {
        WriteFileBytes("Kelvara.ini", ini);
        list->Load();
        EXPECT_EQ(list->Status(), status);
        ASSERT_EQ(list->OutDir(), "");
        list->CopyByNumber("1");
        EXPECT_EQ(list->Status(), "ERROR: no out folder is configured");
        list->DeleteByNumber("1");
        EXPECT_EQ(list->Status(), "ERROR: no out folder is configured");
        EXPECT_FALSE(std::filesystem::exists(JoinPath("", "song1.mp3")));
        EXPECT_EQ(ReadFileBytes("victim.txt"), "victim");
        EXPECT_EQ(LogLines().back(), "ERROR: no out folder is configured");
    }
    WriteConfig("out", "list.m3u");
    list->Load();
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) COPIED:song1.mp3") << "a mended configuration works again";
}

TEST_F(TrackListTest, OversizedPlaylistsAreCutAndSaySo) {
    const std::string prefix = "/m/" + std::string(1016, 'x') + ".mp3";  // the 1023 bytes kept of entry 1
    std::string text = "\xEF\xBB\xBF#EXTM3U\n" + prefix + std::string(1000, 'z') + "\n";
    for (int i = 2; i <= kMaxEntries + 1; ++i) {
        text += "/m/" + std::to_string(i) + ".mp3\n";
    }
    WriteFileBytes("list.m3u", text);
    WriteConfig("out", "list.m3u");
    auto list = MakeList();
    EXPECT_EQ(list->Count(), kMaxEntries);
    EXPECT_EQ(list->Status(), "OUT DIR:out (only the first 20000 of the playlist's 20001 entries were loaded)");
    EXPECT_EQ(list->EntryLine(1), "1: " + prefix);
    EXPECT_EQ(list->EntryLine(2), "2: /m/2.mp3") << "the byte-order mark shifts no number";
    const std::string cut = "ERROR: playlist entry 1 is longer than 1023 bytes and was cut";
    EXPECT_EQ(LogLines(), std::vector<std::string>{cut}) << "the start-up warning outlives the emptied log";

    // The cut path names another file, which must never be copied or deleted in its place.
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), cut);
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), cut);

    list->Load();
    EXPECT_EQ(LogLines(), (std::vector<std::string>{cut, cut, cut, cut, list->Status()}));
}

// As Windows Notepad saves "Unicode": UTF-16 behind its byte-order mark, either byte order.
TEST_F(TrackListTest, Utf16PlaylistsAreReadAsTheTextTheyHold) {
    const std::u16string text = u"#EXTM3U\r\n\u041F\u0447\u0435\u043B\u0430.mp3\r\n\xD800.mp3\r\nb.mp3";
    const std::string bee = "\xD0\x9F\xD1\x87\xD0\xB5\xD0\xBB\xD0\xB0.mp3";  // Пчела.mp3
    WriteFileBytes(bee, "bee");
    WriteConfig("out", "list.m3u");
    for (const bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : text) {
            const char high = static_cast<char>(unit >> 8);
            const char low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        WriteFileBytes("list.m3u", bytes);
        auto list = MakeList();
        EXPECT_EQ(list->EntryLine(3), "3: b.mp3");
        list->CopyByNumber("1");
        EXPECT_EQ(list->Status(), "FILE (1) COPIED:" + bee);
        list->CopyByNumber("2");
        EXPECT_EQ(list->Status(), "ERROR: playlist entry 2 holds a character this system cannot use in a file name");
    }
    // Nor can a path hold a zero byte: read up to it, the entry would name another file.
    WriteFileBytes("a.mp3", "a");
    WriteFileBytes("list.m3u", std::string("#EXTM3U\na.mp3\0.old\n", 19));
    auto list = MakeList();
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: playlist entry 1 holds a character this system cannot use in a file name");
    EXPECT_FALSE(std::filesystem::exists("out/a.mp3"));
}

TEST_F(TrackListTest, CopyPutsTheEntryIntoTheOutFolderUnderItsName) {
    SetUpSongs(3);
    auto list = MakeList();
    list->CopyByNumber("3");
    EXPECT_EQ(list->Status(), "FILE (3) COPIED:song3.mp3");
    EXPECT_EQ(ReadFileBytes("out/song3.mp3"), "audio 3");
    // A power cut keeps only what was flushed: the copy's bytes go to the disk before the rename names them.
    const std::vector<std::string>& changes = m_fs.Changes();
    const auto rename = std::find_if(changes.begin(), changes.end(),
                                     [](const std::string& change) { return change.starts_with("Replace "); });
    ASSERT_NE(rename, changes.end());
    const std::string temporary = rename->substr(8, rename->find(' ', 8) - 8);
    EXPECT_NE(std::find(changes.begin(), rename, "Flush " + temporary), rename) << "renamed before its flush";

    WriteFileBytes("out/song1.mp3", "stale copy");
    list->CopyByNumber("0001");
    EXPECT_EQ(list->Status(), "FILE (0001) COPIED:song1.mp3") << "the number as typed";
    EXPECT_EQ(ReadFileBytes("out/song1.mp3"), "audio 1");

    // Numbers that name no entry: neither command does anything but say so.
    for (const char* text : {"", "0", "4"}) {
        list->CopyByNumber(text);
        list->DeleteByNumber(text);
    }
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"FILE (3) COPIED:song3.mp3", "FILE (0001) COPIED:song1.mp3", "ERROR: no number",
                                        "ERROR: no number", "ERROR: too small number", "ERROR: too small number",
                                        "ERROR: too big number", "ERROR: too big number"}));
    EXPECT_EQ(FilesIn("out"), 2);

    // COPY and DELETE wait for no one: while another Kelvara works in the out folder they do nothing and say so.
    const std::string busy = "ERROR: another Kelvara is working in out";
    {
        const CFolderLock other = DefaultFileSystem().LockFolder("out");
        ASSERT_TRUE(other.pHold);
        list->CopyByNumber("2");
        EXPECT_EQ(list->Status(), busy);
        list->DeleteByNumber("3");
        EXPECT_EQ(list->Status(), busy);
        EXPECT_EQ(LogLines().back(), busy);
        EXPECT_FALSE(std::filesystem::exists("out/song2.mp3"));
        EXPECT_TRUE(std::filesystem::exists("out/song3.mp3"));
    }
    list->CopyByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) COPIED:song2.mp3") << "the user can retry once the other is done";

    // A folder whose file system offers no lock is still served, with one word in the log.
    m_fs.Inject(EFault::Lock, "out");
    list->DeleteByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) DELETED:song2.mp3");
    const std::vector<std::string> log = LogLines();
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
              (std::vector<std::string>{"warning: out cannot be locked; another Kelvara there would not be noticed",
                                        "FILE (2) DELETED:song2.mp3"}));
}

// Relative entries are found beside the playlist, and copied under the name the folder stores; where the out
// folder is the entry's own folder, the file there is the only one, not a copy.
// A relative entry is looked for beside the playlist, then beside "Kelvara.ini" (the working folder).
TEST_F(TrackListTest, EntriesAreFoundBesideThePlaylistOrTheConfigurationAndNeverTakenForTheirOwnCopies) {
    std::filesystem::create_directories("lists/songs");
    std::filesystem::create_directories("songs");
    WriteFileBytes("lists/songs/My Long Song Name.mp3", "tune");
    WriteFileBytes("songs/My Long Song Name.mp3", "the working folder's tune");
    WriteFileBytes("songs/here.mp3", "here");
    WriteConfig("out", "lists/list.m3u");
    WritePlaylist({"songs/MY LONG SONG NAME.MP3", "songs/here.mp3", "songs/missing.mp3"}, "lists/list.m3u");
    auto list = MakeList();
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) COPIED:My Long Song Name.mp3");
    EXPECT_EQ(ReadFileBytes("out/My Long Song Name.mp3"), "tune");
    EXPECT_EQ(LogLines().front(),
              "warning: playlist entry 1 (songs/MY LONG SONG NAME.MP3) is both beside the "
              "playlist and in the working folder; the one beside the playlist is used");
    list->CopyByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) COPIED:here.mp3");
    EXPECT_EQ(ReadFileBytes("out/here.mp3"), "here");
    list->CopyByNumber("3");
    EXPECT_EQ(list->Status(), "ERROR: file not found: songs/missing.mp3") << "the entry as the list has it";
    list->DeleteByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) DELETED:here.mp3");
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), "FILE (1) DELETED:My Long Song Name.mp3");
    EXPECT_EQ(FilesIn("out"), 0);
    EXPECT_EQ(FilesIn("songs"), 2) << "the sources stay";
    std::filesystem::remove("songs/My Long Song Name.mp3");

    WriteConfig("lists/songs", PathOf("lists/list.m3u"));
    list->Load();
    const std::string target = JoinPath("lists/songs", "My Long Song Name.mp3");
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: " + target + " is the playlist's own file, not a copy; nothing deleted");
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), "ERROR: " + target + " is the playlist's own file; nothing copied");
    EXPECT_EQ(ReadFileBytes("lists/songs/My Long Song Name.mp3"), "tune");
    EXPECT_EQ(FilesIn("lists/songs"), 1) << "nothing left beside it";
}

// "What?.mp3" is missing and "Whats.mp3" is there: taken as a pattern, entry 1 would name entry 2's song.
TEST_F(TrackListTest, AnEntryIsANameNeverAPattern) {
    WriteFileBytes("Whats.mp3", "whats");
    WriteConfig("out", "list.m3u");
    WritePlaylist({"What?.mp3", "Whats.mp3", "*.mp3", "\\\\?\\" + PathOf("Whats.mp3")});
    auto list = MakeList();
    list->CopyByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) COPIED:Whats.mp3");
    if (FileNamesMayHoldWildcards()) {
        list->DeleteByNumber("1");
        EXPECT_EQ(list->Status(), "ERROR: file not found: What?.mp3");
        list->CopyByNumber("3");
        EXPECT_EQ(list->Status(), "ERROR: file not found: *.mp3");
        WriteFileBytes("*.mp3", "star");
        list->CopyByNumber("3");
        EXPECT_EQ(list->Status(), "FILE (3) COPIED:*.mp3");
        EXPECT_EQ(ReadFileBytes("out/*.mp3"), "star");
    } else {
        list->DeleteByNumber("1");
        EXPECT_EQ(list->Status(), "ERROR: playlist entry 1 holds a wildcard");
        list->CopyByNumber("3");
        EXPECT_EQ(list->Status(), "ERROR: playlist entry 3 holds a wildcard");
        EXPECT_EQ(list->DescribeEntry("3"), "ERROR: playlist entry 3 holds a wildcard");
        list->CopyByNumber("4");
        EXPECT_EQ(list->Status(), "FILE (4) COPIED:Whats.mp3") << "the long-path prefix is no wildcard";
    }
    EXPECT_EQ(ReadFileBytes("out/Whats.mp3"), "whats") << "entry 2's copy is not touched";
}

TEST_F(TrackListTest, FailedCopyIsAnErrorNamingTheFileAndKeepsTheOldCopy) {
    SetUpSongs(2);
    auto list = MakeList();
    m_fs.Inject(EFault::Copy, "song1.mp3");
    list->CopyByNumber("1");
    const std::string expected =
        "ERROR: could not copy " + PathOf("song1.mp3") + " to " + JoinPath("out", "song1.mp3") + ": injected fault";
    EXPECT_EQ(list->Status(), expected);
    EXPECT_EQ(LogLines(), std::vector<std::string>{expected});

    WriteFileBytes("out/song2.mp3", "an older, read-only copy");
    std::filesystem::permissions("out/song2.mp3", std::filesystem::perms::owner_read);
    list->CopyByNumber("2");
    EXPECT_TRUE(list->Status().starts_with("ERROR: could not copy ")) << list->Status();
    EXPECT_EQ(ReadFileBytes("out/song2.mp3"), "an older, read-only copy");
    EXPECT_EQ(FilesIn("out"), 1) << "no temporary file is left";
}

TEST_F(TrackListTest, DeleteRemovesOnlyTheCopyOrSaysWhyNot) {
    SetUpSongs(2);
    auto list = MakeList();
    list->CopyByNumber("1");
    list->CopyByNumber("2");
    list->DeleteByNumber("02");
    EXPECT_EQ(list->Status(), "FILE (02) DELETED:song2.mp3");
    EXPECT_FALSE(std::filesystem::exists("out/song2.mp3"));
    EXPECT_TRUE(std::filesystem::exists("song2.mp3")) << "the source stays";
    list->DeleteByNumber("2");
    EXPECT_EQ(list->Status(), "FILE (2) DELETED:song2.mp3") << "the copy is gone, as asked";

    list->CopyByNumber("2");
    std::filesystem::remove("song2.mp3");
    list->DeleteByNumber("2");
    const std::string notFound = "ERROR: file not found: " + PathOf("song2.mp3");
    EXPECT_EQ(list->Status(), notFound) << "an older success must not stay in the status";
    EXPECT_EQ(LogLines().back(), notFound);
    EXPECT_TRUE(std::filesystem::exists("out/song2.mp3"));

    // A folder in the copy's place is not deleted; the system's reason is named.
    std::filesystem::remove("out/song1.mp3");
    std::filesystem::create_directory("out/song1.mp3");
    list->DeleteByNumber("1");
    const std::string failed = "ERROR: could not delete " + JoinPath("out", "song1.mp3") + ": ";
    EXPECT_TRUE(list->Status().starts_with(failed) && list->Status().size() > failed.size()) << list->Status();
    EXPECT_EQ(LogLines().back(), list->Status());
    EXPECT_TRUE(std::filesystem::is_directory("out/song1.mp3"));
}

}  // namespace
