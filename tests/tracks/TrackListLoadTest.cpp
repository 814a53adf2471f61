#include "Path.h"
#include "TrackListFixture.h"

#include <filesystem>

namespace {

TEST_F(TrackListTest, StartUpLoadsTheListCreatesTheOutFolderAndEmptiesTheLog) {
    WriteFileBytes("Kelvara.log", "a line of the previous run\n");
    SetUpSongs(3);
    auto list = MakeList();
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(Entry(*list, 3), PathOf("song3.mp3"));
    EXPECT_EQ(list->OutDir(), "out");
    EXPECT_TRUE(std::filesystem::is_directory("out"));
    EXPECT_EQ(list->Status(), "OUT DIR:out") << "the start-up status survives for the window";
    EXPECT_EQ(ReadFileBytes("Kelvara.log"), "") << "the start-up line is not kept either";

    list->Load();
    EXPECT_EQ(LogLines(), std::vector<std::string>{"OUT DIR:out"}) << "an existing out folder is fine";

    auto second = MakeList();
    EXPECT_EQ(ReadFileBytes("Kelvara.log"), "") << "a second start-up leaves only its own lines";
}

TEST_F(TrackListTest, ReloadWithAShorterListLeavesEmptySlotsBehind) {
    SetUpSongs(3);
    auto list = MakeList();
    WritePlaylist({"/x/only.mp3"});
    list->Load();
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(Entry(*list, 1), "/x/only.mp3");
    EXPECT_EQ(Entry(*list, 2), "");
    EXPECT_EQ(Entry(*list, 3), "");
}

TEST_F(TrackListTest, MissingConfigurationChangesNothingButTheStatus) {
    SetUpSongs(2);
    auto list = MakeList();
    std::filesystem::remove("Kelvara.ini");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: Could not open file INI_FILE");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"ERROR: Could not open file INI_FILE"});
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->OutDir(), "out");

    std::filesystem::remove("list.m3u");
    auto fresh = MakeList();
    EXPECT_EQ(fresh->Status(), "ERROR: Could not open file INI_FILE");
    EXPECT_EQ(fresh->Count(), 0);
    EXPECT_EQ(fresh->OutDir(), "");
}

TEST_F(TrackListTest, ShortConfigurationReadSetsTheStatusWithoutALogLine) {
    SetUpSongs(2);
    auto list = MakeList();
    m_fs.Inject(EFault::ShortRead, "Kelvara.ini");
    WriteConfig("elsewhere", "list.m3u");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: reading: INI_FILE");
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(list->OutDir(), "out");
    EXPECT_EQ(list->Count(), 2);
}

TEST_F(TrackListTest, PlaylistFailuresReplaceOnlyTheOutFolder) {
    SetUpSongs(2);
    auto list = MakeList();
    WriteConfig("out2", "gone.m3u");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: Could not open .m3u file");
    EXPECT_EQ(list->OutDir(), "out2");
    EXPECT_FALSE(std::filesystem::exists("out2")) << "the folder is made only after a good load";
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(Entry(*list, 2), PathOf("song2.mp3"));

    WriteConfig("out3", "list.m3u");
    m_fs.Inject(EFault::FailedRead, "list.m3u");
    list->Load();
    EXPECT_EQ(list->Status(), "ERROR: reading: .m3u file");
    EXPECT_EQ(list->OutDir(), "out3");
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"ERROR: Could not open .m3u file", "ERROR: reading: .m3u file"}));
}

TEST_F(TrackListTest, ConfigurationEndingInsideThePlaylistNameStillLoads) {
    SetUpSongs(1);
    WriteFileBytes("Kelvara.ini", "\r\nout\r\nlist.m3u");
    auto list = MakeList();
    EXPECT_EQ(list->Status(), "OUT DIR:out");
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(TrackListTest, OversizedPlaylistsAreCutAndSaySo) {
    // The first 1023 bytes of entry 1 name a file that exists: five folders and a name.
    const std::string part(250, 'd');
    const std::string folders = "d/" + part + "/" + part + "/" + part + "/" + part;
    const std::string prefix = folders + "/" + std::string(1023 - folders.size() - 5, 'x') + ".mp3";
    std::string text = "\xEF\xBB\xBF#EXTM3U\n" + prefix + std::string(1000, 'z') + "\n";
    for (int i = 2; i <= kMaxEntries + 1; ++i) {
        text += "/m/" + std::to_string(i) + ".mp3\n";
    }
    WriteFileBytes("list.m3u", text);
    WriteConfig("out", "list.m3u");
    auto list = MakeList();
    EXPECT_EQ(list->Count(), kMaxEntries);
    EXPECT_EQ(list->Status(), "OUT DIR:out (only the first 20000 of the playlist's 20001 entries were loaded)");
    EXPECT_EQ(Entry(*list, 1), prefix);
    EXPECT_EQ(Entry(*list, 2), "/m/2.mp3") << "the byte-order mark shifts no number";
    const std::string cut = "ERROR: playlist entry 1 is longer than 1023 bytes and was cut";
    EXPECT_EQ(LogLines(), std::vector<std::string>{cut}) << "the start-up warning outlives the emptied log";

    // The cut path names another file, which must never be copied or deleted in its place.
    const std::string name = prefix.substr(folders.size() + 1);
    if constexpr (kFileNamesAreBytes) {  // on Windows the test's own tools make no path this long
        std::filesystem::create_directories(folders);
        WriteFileBytes(prefix, "another song");
    }
    std::filesystem::create_directories("out");
    WriteFileBytes("out/" + name, "its copy");
    list->CopyByNumber("1");
    EXPECT_EQ(list->Status(), cut);
    list->DeleteByNumber("1");
    EXPECT_EQ(list->Status(), cut);
    EXPECT_EQ(ReadFileBytes("out/" + name), "its copy");

    list->Load();
    EXPECT_EQ(LogLines(), (std::vector<std::string>{cut, cut, cut, cut, list->Status()}));
}

TEST_F(TrackListTest, PlaylistTooLargeToHoldIsAReadError) {
    WriteConfig("out", "huge.m3u");
    WriteFileBytes("huge.m3u", "/a.mp3\n");
    std::filesystem::resize_file("huge.m3u", std::uint64_t{1} << 31);  // sparse: no room taken
    auto list = MakeList();
    EXPECT_EQ(list->Status(), "ERROR: reading: .m3u file");
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(std::filesystem::file_size("huge.m3u"), std::uint64_t{1} << 31);
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
        EXPECT_EQ(list->Count(), 3);
        EXPECT_EQ(Entry(*list, 3), "b.mp3");
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

}  // namespace
