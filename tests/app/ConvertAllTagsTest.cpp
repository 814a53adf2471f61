#include "FakeView.h"
#include "Path.h"

#include <filesystem>

namespace {

class ConvertAllTagsTest : public CDialogTest {
  protected:
    void SetUp() override {
        CDialogTest::SetUp();
        WriteFileBytes("list.m3u", "");
        WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
        Start();
    }
};

TEST_F(ConvertAllTagsTest, ConvertsEachMp3OnceAndShowsTheLastOutcome) {
    for (const char* name : {"out/SONG.MP3", "out/b.mp3", "out/c.mp3", "out/notes.wav"}) {
        WriteFileBytes(name, "audio");
    }
    m_dlg->ConvertAllTags();
    // The last file the search found, whichever that is.
    const std::string last = m_view.m_progress.back().substr(std::string("EDIT ID3's: 3/3 ").size());
    EXPECT_EQ(m_view.m_progress.back(), "EDIT ID3's: 3/3 " + last);
    EXPECT_EQ(Field(IDC_STATUS), "ID3 EDITED - " + JoinPath("out", last));
    EXPECT_EQ(LogLines().size(), 4u) << "one line per file";
    EXPECT_EQ(LogLines().back(), "EDIT ID3's: 3 files found, 3 converted, 0 already converted, 0 failed");
    EXPECT_NE(ReadFileBytes("out/SONG.MP3"), "audio") << "capitals are converted too";
    EXPECT_EQ(ReadFileBytes("out/notes.wav"), "audio");

    std::filesystem::create_directory("out/x.mp3");
    m_fs.Inject(EFault::OpenRead, "b.mp3");
    m_dlg->ConvertAllTags();
    EXPECT_EQ(Field(IDC_STATUS), "ERROR: 2 of 4 files left unchanged, see Kelvara.log")
        << "no failure hides behind a later success";
    const auto log = LogLines();
    EXPECT_EQ(log.back(), "EDIT ID3's: 4 files found, 0 converted, 2 already converted, 2 failed");
    const auto linesStarting = [&log](const std::string& text) {
        return std::count_if(log.begin(), log.end(),
                             [&text](const std::string& line) { return line.starts_with(text); });
    };
    EXPECT_EQ(linesStarting("ERROR: Could not open file " + JoinPath("out", "x.mp3") + ": "), 1)
        << "a folder named like an MP3 is an error, and the run goes on";
    EXPECT_EQ(linesStarting("ID3 EDITED"), 3 + 2);
}

// EXIT (or Escape, or closing the window) while EDIT ID3's runs: the song in hand is finished, every song is old or
// new, nothing temporary is left, and the dialog ends once the command has stopped.
TEST_F(ConvertAllTagsTest, ExitDuringTheBatchStopsAfterTheSongInHand) {
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"};
    for (const std::string& name : names) {
        WriteFileBytes("out/" + name, "audio of " + name);
    }
    int opened = 0;
    m_fs.OnCall([&](const std::string& operation, const std::string&) {
        if (operation == "OpenRead" && ++opened == 2) {
            EXPECT_FALSE(m_dlg->OnExit()) << "not while a song is half written";
        }
    });
    m_dlg->ConvertAllTags();
    EXPECT_EQ(Field(IDC_STATUS), "EDIT ID3's stopped: 2 of 5 files done");
    EXPECT_EQ(m_view.m_ended, 1);
    std::size_t converted = 0;
    for (const std::string& name : names) {
        const std::string bytes = ReadFileBytes("out/" + name);
        converted += bytes.starts_with("ID3") ? 1u : 0u;
        EXPECT_TRUE(bytes.starts_with("ID3") || bytes == "audio of " + name) << name;
    }
    EXPECT_EQ(converted, 2u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("out"), {}), 5) << "no temporary file is left";
    const auto log = LogLines();
    EXPECT_EQ(log[log.size() - 2], "EDIT ID3's: 5 files found, 2 converted, 0 already converted, 0 failed");
    EXPECT_EQ(log.back(), "EDIT ID3's stopped: 2 of 5 files done");
}

TEST_F(ConvertAllTagsTest, NothingToConvertSaysWhyInTheStatusAndTheLog) {
    m_dlg->ConvertAllTags();
    EXPECT_EQ(Field(IDC_STATUS), "EDIT ID3's: no MP3 file in out");
    std::filesystem::remove("out");
    m_dlg->ConvertAllTags();
    EXPECT_EQ(Field(IDC_STATUS), "ERROR: could not search the out folder out");
    WriteFileBytes("Kelvara.ini", "\r\n\r\n");  // a configuration without an out folder
    m_dlg->OnResetFiles();
    m_dlg->ConvertAllTags();
    EXPECT_EQ(Field(IDC_STATUS), "ERROR: no out folder is configured");
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"EDIT ID3's: no MP3 file in out", "ERROR: could not search the out folder out",
                                        "ERROR: Could not open .m3u file", "ERROR: no out folder is configured"}));
}

}  // namespace
