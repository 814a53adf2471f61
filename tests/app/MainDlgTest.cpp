#include "FakeView.h"

#include <algorithm>
#include <filesystem>

namespace {

using MainDlgTest = CDialogTest;
using ConvertAllTagsTest = CDialogTest;

TEST_F(MainDlgTest, CommandsShowTheirStatusAndCopyAndDeleteRefreshTheSize) {
    // Each number typed shows which entry it names, or what COPY would say of it.
    EXPECT_EQ(Type("3"), "ERROR: too big number");
    EXPECT_EQ(Type("0002"), "2: b.mp3");
    EXPECT_EQ(Run(&CMainDlg::OnCopy), "FILE (0002) COPIED:b.mp3");
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 1MB");
    EXPECT_EQ(m_view.m_progress, std::vector<std::string>{"COPY (0002) ..."});
    // EXIT stays, to stop a long command.
    EXPECT_EQ(m_view.m_disabledWhileRunning,
              (std::set<int>{IDC_NUMBER, IDC_COPY, IDC_DELETE, IDC_EDIT_ID3, IDC_RESET_FILES}));

    EXPECT_EQ(Run(&CMainDlg::OnCopy), "ERROR: no number") << "a second COPY acts on an empty number";
    WriteFileBytes("Kelvara.ini", "elsewhere\nlist.m3u\n");
    m_dlg->OnResetFiles();
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 0MB") << "the size of the new out folder";
    Type("2");
    EXPECT_EQ(Run(&CMainDlg::OnDelete), "FILE (2) DELETED:b.mp3");
    EXPECT_EQ(Type(""), "FILE (2) DELETED:b.mp3") << "an empty number leaves the command's own status";
    EXPECT_TRUE(std::filesystem::exists("out/b.mp3")) << "the new out folder held no copy";

    // The size adds up in 64 bits, then rounds down once.
    WriteFileBytes("elsewhere/big.mp3", "");
    std::filesystem::resize_file("elsewhere/big.mp3", (std::uint64_t{9} << 29) + (1 << 19));  // sparse
    WriteFileBytes("elsewhere/small.mp3", std::string((1 << 20) - 1, 'x'));
    m_dlg->UpdateOutDirSize();
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 4609MB") << "4.5 GB and 0.5 MB, and one byte short of 1 MB";
    std::filesystem::remove_all("elsewhere");
    m_dlg->UpdateOutDirSize();
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 0MB") << "a folder that cannot be searched";
}

// Each song's fate is the batch's own test; here, that the field shows what the batch reported, its progress
// meanwhile, and why nothing was done.
TEST_F(ConvertAllTagsTest, TheStatusShowsTheBatchsOutcomeOrWhyThereWasNone) {
    // Of these, the status counts the song, named in capitals, and the folder: a WAV is no MP3.
    WriteFileBytes("out/SONG.MP3", "audio");
    WriteFileBytes("out/notes.wav", "audio");
    std::filesystem::create_directory("out/x.mp3");  // a folder named like an MP3 is an error, and the run goes on
    EXPECT_EQ(Run(&CMainDlg::ConvertAllTags), "ERROR: 1 of 2 files left unchanged, see Kelvara.log");
    const auto& shown = m_view.m_progress;  // the song's place depends on the folder's order
    EXPECT_TRUE(std::ranges::count(shown, "EDIT ID3's: 1/2 SONG.MP3") +
                std::ranges::count(shown, "EDIT ID3's: 2/2 SONG.MP3"));

    std::filesystem::remove_all("out/x.mp3");
    std::filesystem::remove("out/SONG.MP3");
    m_fs.ThrowAtCall(1);  // a command that throws ends in an error, and the next one runs
    EXPECT_EQ(Run(&CMainDlg::ConvertAllTags), "ERROR: the command failed: std::bad_alloc");
    m_fs.ThrowAtCall(0);
    EXPECT_EQ(Run(&CMainDlg::ConvertAllTags), "EDIT ID3's: no MP3 file in out");
    std::filesystem::remove_all("out");
    EXPECT_EQ(Run(&CMainDlg::ConvertAllTags), "ERROR: could not search the out folder out");
    WriteFileBytes("Kelvara.ini", "\r\n\r\n");  // a configuration without an out folder
    m_dlg->OnResetFiles();
    EXPECT_EQ(Run(&CMainDlg::ConvertAllTags), "ERROR: no out folder is configured");
    const std::vector<std::string> log = LogLines();
    EXPECT_EQ(std::vector<std::string>(log.end() - 5, log.end()),
              (std::vector<std::string>{"ERROR: the command failed: std::bad_alloc", "EDIT ID3's: no MP3 file in out",
                                        "ERROR: could not search the out folder out", "ERROR: Could not open .m3u file",
                                        "ERROR: no out folder is configured"}));
}

// EXIT (or Escape, or closing the window) while EDIT ID3's runs: the song in hand is finished, every song is old or
// new, nothing temporary is left, and the dialog ends once the command has stopped.
TEST_F(ConvertAllTagsTest, ExitDuringTheBatchStopsAfterTheSongInHand) {
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"};
    for (const std::string& name : names) {
        WriteFileBytes("out/" + name, "audio of " + name);
    }
    int read = 0;
    m_fs.OnCall([&](const std::string& operation, const std::string& path) {
        // While the second song taken is read (its status, the first thing asked of it).
        if (operation == "Info" && !path.ends_with(".kelvara-tmp") && ++read == 2) {
            m_dlg->ConvertAllTags();  // refused: one command at a time
            EXPECT_FALSE(m_dlg->OnExit()) << "not while a song is half written";
        }
    });
    EXPECT_EQ(Run(&CMainDlg::ConvertAllTags), "EDIT ID3's stopped: 2 of 5 files done");
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

}  // namespace
