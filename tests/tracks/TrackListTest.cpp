#include "ActivityLog.h"
#include "FaultyFileSystem.h"
#include "Path.h"
#include "TempFolder.h"
#include "TrackList.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

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
    // Songs song1.mp3 ... songN.mp3 in the working folder, listed by absolute path; then the start-up load.
    void StartWithSongs(int count) {
        std::vector<std::string> entries;
        for (int i = 1; i <= count; ++i) {
            WriteFileBytes(entries.emplace_back(PathOf("song" + std::to_string(i) + ".mp3")),
                           "audio " + std::to_string(i));
        }
        WriteConfig("out", "list.m3u");
        WritePlaylist(entries);
        Start();
    }
    // The start-up load, as when Kelvara starts.
    void Start() { m_list = std::make_unique<CTrackList>(m_fs); }
    // Each command's status.
    std::string Load() { return m_list->Load(), m_list->Status(); }
    std::string Copy(const std::string& number) { return m_list->CopyByNumber(number), m_list->Status(); }
    std::string Delete(const std::string& number) { return m_list->DeleteByNumber(number), m_list->Status(); }
    static auto FilesIn(const std::string& folder) { return std::ranges::distance(fs::directory_iterator(folder)); }

    CFaultyFileSystem m_fs;
    std::unique_ptr<CTrackList> m_list;
};

// A reload replaces the table; a failed one keeps the old table usable, and the out folder changes only once the
// configuration was read; one without a usable out folder refuses every command. An unusable log is said at start-up.
TEST_F(TrackListTest, AReloadReplacesTheTableAndAFailedOneChangesNothingButTheStatus) {
    StartWithSongs(3);
    WritePlaylist({PathOf("song3.mp3")});
    EXPECT_EQ(Load(), "OUT DIR:out") << "an existing out folder is fine";
    EXPECT_EQ(m_list->Count(), 1);
    m_fs.Inject(EFault::ShortRead, "Kelvara.ini");
    WriteConfig("elsewhere", "list.m3u");
    EXPECT_EQ(Load(), "ERROR: reading: INI_FILE");
    m_fs.Clear();
    fs::remove("Kelvara.ini");
    EXPECT_EQ(Load(), "ERROR: Could not open file INI_FILE");
    EXPECT_EQ(m_list->OutDir(), "out");

    WriteConfig("out2", "gone.m3u");
    EXPECT_EQ(Load(), "ERROR: Could not open .m3u file");
    EXPECT_EQ(m_list->OutDir(), "out2");
    EXPECT_FALSE(fs::exists("out2")) << "the folder is made only after a good load";
    WriteConfig("out3", "list.m3u");
    m_fs.Inject(EFault::ShortRead, "list.m3u");
    EXPECT_EQ(Load(), "ERROR: reading: .m3u file");
    EXPECT_EQ(m_list->OutDir(), "out3");
    EXPECT_EQ(m_list->EntryLine(1), "1: " + PathOf("song3.mp3")) << "the old table stays";
    // A short configuration read is no log line.
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"OUT DIR:out", "ERROR: Could not open file INI_FILE",
                                                    "ERROR: Could not open .m3u file", "ERROR: reading: .m3u file"}));
    // A playlist too large to hold is a read error too.
    m_fs.Clear();
    WriteConfig("out", "huge.m3u");
    WriteFileBytes("huge.m3u", "/a.mp3\n");
    fs::resize_file("huge.m3u", std::uint64_t{1} << 31);  // sparse: no room taken
    EXPECT_EQ(Load(), "ERROR: reading: .m3u file");
    EXPECT_EQ(m_list->Count(), 1);

    // An empty configuration leaves the old table but no out folder, so nothing may be copied to the root; a zero
    // byte would end a path early where the system reads it ("victim.txt\0/out" names victim.txt), so a line
    // holding one refuses the configuration alike.
    const std::string zero(1, '\0');
    const std::pair<std::string, std::string> cases[] = {
        {"\r\n\r\n", "ERROR: Could not open .m3u file"},
        {PathOf("victim.txt") + zero + "/out\r\nlist.m3u\r\n", "ERROR: Kelvara.ini line 1 holds a zero byte"},
        {"\r\nout\r\n\r\nlist.m3u" + zero + "x\r\n", "ERROR: Kelvara.ini line 2 holds a zero byte"},
    };
    for (const auto& [ini, status] : cases) {
        WriteFileBytes("Kelvara.ini", ini);
        EXPECT_EQ(Load(), status);
        ASSERT_EQ(m_list->OutDir(), "");
        EXPECT_EQ(Copy("1"), "ERROR: no out folder is configured");
        EXPECT_EQ(Delete("1"), "ERROR: no out folder is configured");
    }
    WriteConfig("out", "list.m3u");
    Load();
    EXPECT_EQ(Copy("1"), "FILE (1) COPIED:song3.mp3") << "a mended configuration works again";

    fs::remove("Kelvara.ini");
    Start();
    EXPECT_EQ(m_list->Status(), "ERROR: Could not open file INI_FILE");
    EXPECT_EQ(m_list->Count(), 0);
    EXPECT_EQ(m_list->OutDir(), "");

    WriteConfig("out", "list.m3u");
    EndLog();  // as when that Kelvara ends
    fs::remove("Kelvara.log");
    fs::create_directory("Kelvara.log");
    Start();
    EXPECT_EQ(m_list->Status(), "ERROR: Kelvara.log is not a regular file; nothing is logged");
}

TEST_F(TrackListTest, CopyAndDeleteActOnTheEntrysCopyOnlyOrSayWhyNot) {
    StartWithSongs(3);
    m_fs.Inject(EFault::Copy, "song1.mp3");
    const std::string failedCopy =
        "ERROR: could not copy " + PathOf("song1.mp3") + " to " + JoinPath("out", "song1.mp3") + ": injected fault";
    EXPECT_EQ(Copy("1"), failedCopy);
    EXPECT_EQ(LogLines(), std::vector<std::string>{failedCopy});
    m_fs.Clear();
    EXPECT_EQ(Copy("3"), "FILE (3) COPIED:song3.mp3");

    // COPY and DELETE wait for no one: while another Kelvara works in the out folder they do nothing and say so.
    const std::string busy = "ERROR: another Kelvara is working in out";
    {
        const CFolderLock other = DefaultFileSystem().LockFolder("out");
        ASSERT_TRUE(other.pHold);
        EXPECT_EQ(Copy("2"), busy);
        EXPECT_EQ(Delete("3"), busy);
        EXPECT_EQ(LogLines().back(), busy);
        EXPECT_TRUE(!fs::exists("out/song2.mp3") && fs::exists("out/song3.mp3")) << "nothing copied or deleted";
    }
    EXPECT_EQ(Copy("2"), "FILE (2) COPIED:song2.mp3") << "the user can retry once the other is done";
    EXPECT_EQ(Delete("02"), "FILE (02) DELETED:song2.mp3");
    EXPECT_TRUE(!fs::exists("out/song2.mp3") && fs::exists("song2.mp3")) << "the copy goes, the source stays";
    // A folder whose file system offers no lock is still served, with one word in the log; a copy gone is as asked.
    m_fs.Inject(EFault::Lock, "out");
    EXPECT_EQ(Delete("2"), "FILE (2) DELETED:song2.mp3");
    EXPECT_EQ(LogLines().rbegin()[1], "warning: out cannot be locked; another Kelvara there would not be noticed");
    m_fs.Clear();

    Copy("2");
    fs::remove("song2.mp3");
    const std::string notFound = "ERROR: file not found: " + PathOf("song2.mp3");
    EXPECT_EQ(Delete("2"), notFound) << "an older success must not stay in the status";
    EXPECT_EQ(LogLines().back(), notFound);
    EXPECT_TRUE(fs::exists("out/song2.mp3"));

    WriteFileBytes("out/song3.mp3", "an older, read-only copy");
    fs::permissions("out/song3.mp3", fs::perms::owner_read);
    EXPECT_TRUE(Copy("3").starts_with("ERROR: could not copy ")) << m_list->Status();
    EXPECT_EQ(ReadFileBytes("out/song3.mp3"), "an older, read-only copy");
    EXPECT_EQ(FilesIn("out"), 2) << "no temporary file is left";

    // A folder in the copy's place is not deleted; the system's reason is named.
    fs::create_directory("out/song1.mp3");
    const std::string failed = "ERROR: could not delete " + JoinPath("out", "song1.mp3") + ": ";
    EXPECT_TRUE(Delete("1").starts_with(failed) && m_list->Status().size() > failed.size()) << m_list->Status();
    EXPECT_EQ(LogLines().back(), m_list->Status());
}

// Relative entries are found beside the playlist, and copied under the name the folder stores; where the out
// folder is the entry's own folder, the file there is the only one, not a copy.
// A relative entry is looked for beside the playlist, then beside "Kelvara.ini" (the working folder).
TEST_F(TrackListTest, EntriesAreFoundBesideThePlaylistOrTheConfigurationAndNeverTakenForTheirOwnCopies) {
    fs::create_directories("lists/songs");
    fs::create_directories("songs");
    WriteFileBytes("lists/songs/My Long Song Name.mp3", "tune");
    WriteFileBytes("songs/My Long Song Name.mp3", "the working folder's tune");
    WriteFileBytes("songs/here.mp3", "here");
    WriteConfig("out", "lists/list.m3u");
    WritePlaylist({"songs/MY LONG SONG NAME.MP3", "songs/here.mp3", "songs/missing.mp3"}, "lists/list.m3u");
    Start();
    EXPECT_EQ(Copy("1"), "FILE (1) COPIED:My Long Song Name.mp3");
    EXPECT_EQ(ReadFileBytes("out/My Long Song Name.mp3"), "tune");
    EXPECT_EQ(LogLines().front(),
              "warning: playlist entry 1 (songs/MY LONG SONG NAME.MP3) is both beside the "
              "playlist and in the working folder; the one beside the playlist is used");
    EXPECT_EQ(Copy("2"), "FILE (2) COPIED:here.mp3");
    EXPECT_EQ(Copy("3"), "ERROR: file not found: songs/missing.mp3") << "the entry as the list has it";
    EXPECT_EQ(Delete("2"), "FILE (2) DELETED:here.mp3");
    EXPECT_EQ(Delete("1"), "FILE (1) DELETED:My Long Song Name.mp3");
    EXPECT_EQ(FilesIn("out"), 0);

    WriteConfig("lists/songs", PathOf("lists/list.m3u"));
    Load();
    const std::string target = JoinPath("lists/songs", "My Long Song Name.mp3");
    EXPECT_EQ(Delete("1"), "ERROR: " + target + " is the playlist's own file, not a copy; nothing deleted");
    EXPECT_EQ(Copy("1"), "ERROR: " + target + " is the playlist's own file; nothing copied");
    EXPECT_EQ(ReadFileBytes("lists/songs/My Long Song Name.mp3"), "tune");
    EXPECT_EQ(FilesIn("lists/songs"), 1) << "nothing left beside it";
}

// An entry names the file it spells or none: cut to fit, read up to a zero byte or taken as a pattern it would
// name another file, which must never be copied or deleted in its place.
TEST_F(TrackListTest, AnEntryNeverStandsForAnotherFile) {
    WriteConfig("out", "list.m3u");
    const std::string prefix = "/m/" + std::string(1016, 'x') + ".mp3";  // the 1023 bytes kept of entry 1
    std::string text = "\xEF\xBB\xBF#EXTM3U\n" + prefix + std::string(1000, 'z') + "\n";
    for (int i = 2; i <= kMaxEntries + 1; ++i) {
        text += "/m/" + std::to_string(i) + ".mp3\n";
    }
    WriteFileBytes("list.m3u", text);
    Start();
    EXPECT_EQ(m_list->Count(), kMaxEntries);
    EXPECT_EQ(m_list->Status(), "OUT DIR:out (only the first 20000 of the playlist's 20001 entries were loaded)");
    EXPECT_EQ(m_list->EntryLine(1), "1: " + prefix);
    EXPECT_EQ(m_list->EntryLine(2), "2: /m/2.mp3") << "the byte-order mark shifts no number";
    const std::string cut = "ERROR: playlist entry 1 is longer than 1023 bytes and was cut";
    EXPECT_EQ(Copy("1"), cut);
    EXPECT_EQ(Delete("1"), cut);
    Load();
    // The start-up warning outlives the emptied log, and every load says it again.
    EXPECT_EQ(LogLines(), (std::vector<std::string>{cut, cut, cut, cut, m_list->Status()}));

    // As Windows Notepad saves "Unicode": UTF-16 behind its byte-order mark, either byte order. "Пчела №🐝.mp3" holds
    // characters of two, three and four UTF-8 bytes.
    const std::u16string utf16 =
        u"#EXTM3U\r\n\u041F\u0447\u0435\u043B\u0430 \u2116\U0001F41D.mp3\r\n\xD800.mp3\r\nb.mp3";
    const std::string bee = "\xD0\x9F\xD1\x87\xD0\xB5\xD0\xBB\xD0\xB0 \xE2\x84\x96\xF0\x9F\x90\x9D.mp3";
    const std::string unnameable = "ERROR: playlist entry 2 holds a character this system cannot use in a file name";
    WriteFileBytes(bee, "bee");
    for (const bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : utf16) {
            bytes += {static_cast<char>(unit >> (bigEndian ? 8 : 0)), static_cast<char>(unit >> (bigEndian ? 0 : 8))};
        }
        WriteFileBytes("list.m3u", bytes);
        Start();
        EXPECT_EQ(m_list->EntryLine(3), "3: b.mp3");
        EXPECT_EQ(Copy("1"), "FILE (1) COPIED:" + bee);
        EXPECT_EQ(Copy("2"), unnameable);
    }
    // UTF-8 without a mark, where the system's code page is another.
    WriteFileBytes("list.m3u", "#EXTM3U\n" + bee + "\n");
    Start();
    EXPECT_EQ(Copy("1"), "FILE (1) COPIED:" + bee);
    // Read up to a zero byte, the entry would name another file.
    WriteFileBytes("a.mp3", "a");
    WriteFileBytes("list.m3u", std::string("#EXTM3U\nb.mp3\na.mp3\0.old\n", 25));
    Start();
    EXPECT_EQ(Copy("2"), unnameable);

    // "What?.mp3" is missing and "Whats.mp3" is there: taken as a pattern, entry 1 would name entry 2's song.
    WriteFileBytes("Whats.mp3", "whats");
    WritePlaylist({"What?.mp3", "Whats.mp3", "*.mp3", "\\\\?\\" + PathOf("Whats.mp3")});
    Start();
    EXPECT_EQ(Copy("2"), "FILE (2) COPIED:Whats.mp3");
    if (FileNamesMayHoldWildcards()) {
        EXPECT_EQ(Delete("1"), "ERROR: file not found: What?.mp3");
        EXPECT_EQ(Copy("3"), "ERROR: file not found: *.mp3");
        WriteFileBytes("*.mp3", "star");
        EXPECT_EQ(Copy("3"), "FILE (3) COPIED:*.mp3");
        EXPECT_EQ(ReadFileBytes("out/*.mp3"), "star");
    } else {
        EXPECT_EQ(Delete("1"), "ERROR: playlist entry 1 holds a wildcard");
        EXPECT_EQ(Copy("3"), "ERROR: playlist entry 3 holds a wildcard");
        EXPECT_EQ(m_list->DescribeEntry("3"), "ERROR: playlist entry 3 holds a wildcard");
        EXPECT_EQ(Copy("4"), "FILE (4) COPIED:Whats.mp3") << "the long-path prefix is no wildcard";
    }
    EXPECT_EQ(ReadFileBytes("out/Whats.mp3"), "whats") << "entry 2's copy is not touched";
}

}  // namespace
