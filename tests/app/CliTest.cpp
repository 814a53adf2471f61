#include "TempFolder.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace {

class CliTest : public CTempFolderTest {
  protected:
    void SetUp() override {
        CTempFolderTest::SetUp();
        WriteFileBytes("song.mp3", "audio");
        WriteFileBytes("list.m3u", "song.mp3\n");
        WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
    }
    // Runs kelvara-cli in the test's folder; returns its exit status, with standard output in m_output.
    int Run(const std::string& arguments, const std::string& input = "") {
        WriteFileBytes("input.txt", input);
        const std::string command = KELVARA_CLI " " + arguments + " <input.txt >output.txt 2>errors.txt";
        const int status = std::system(command.c_str());
        m_output = ReadFileBytes("output.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string m_output;
};

TEST_F(CliTest, RunsArgumentsAndPrintsEveryOutcome) {
    EXPECT_EQ(Run("copy 1 copy 1 show 01 list convert delete 1"), 0);
    EXPECT_EQ(m_output,
              "OUT DIR SIZE: 0MB\nOUT DIR:out\nFILE (1) COPIED:song.mp3\nFILE (1) COPIED:song.mp3\n1: song.mp3\n"
              "1: song.mp3\nID3 EDITED - out/song.mp3\nFILE (1) DELETED:song.mp3\n");
    EXPECT_EQ(LogLines().size(), 5u) << "the start-up line is emptied away; show and list log nothing";
    EXPECT_FALSE(std::filesystem::exists("out/song.mp3"));
}

TEST_F(CliTest, ReadsCommandsUntilExitAndFlagsMalformedOnes) {
    EXPECT_EQ(Run("", "copy 1\n\ncopy\nreset\nexit\ncopy 1\n"), 2);
    EXPECT_EQ(m_output, "OUT DIR SIZE: 0MB\nOUT DIR:out\nFILE (1) COPIED:song.mp3\nOUT DIR:out\n");
    EXPECT_TRUE(ReadFileBytes("errors.txt").starts_with("usage: kelvara-cli"));

    WriteFileBytes("Kelvara.log", "kept");
    EXPECT_EQ(Run("copy one"), 2);
    EXPECT_EQ(m_output, "");
    EXPECT_EQ(ReadFileBytes("Kelvara.log"), "kept") << "nothing runs after a malformed command line";
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_TRUE(m_output.starts_with("usage: kelvara-cli"));
}

}  // namespace
