#include "TempFolder.h"

#include <sys/wait.h>

#include <cstdlib>

namespace {

using CliTest = CTempFolderTest;

// Runs kelvara-cli in the test's folder; returns its exit status, a space and its standard output.
std::string RunCli(const std::string& arguments, const std::string& input = "") {
    WriteFileBytes("input.txt", input);
    const int status = std::system((KELVARA_CLI " " + arguments + " <input.txt >output.txt 2>errors.txt").c_str());
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " " + ReadFileBytes("output.txt");
}

TEST_F(CliTest, RunsArgumentsOrInputLinesAndPrintsEveryOutcome) {
    WriteFileBytes("song.mp3", "audio");
    WriteFileBytes("list.m3u", "song.mp3\n");
    WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
    EXPECT_EQ(RunCli("copy 1 copy 1 show 01 list convert delete 1"),
              "0 OUT DIR SIZE: 0MB\nOUT DIR:out\nFILE (1) COPIED:song.mp3\nFILE (1) COPIED:song.mp3\n1: song.mp3\n"
              "1: song.mp3\nID3 EDITED - out/song.mp3\nFILE (1) DELETED:song.mp3\n");
    EXPECT_EQ(LogLines().size(), 5u) << "the start-up line is emptied away; show and list log nothing";

    // Commands read until exit; a malformed line is flagged and skipped.
    EXPECT_EQ(RunCli("", "copy 1\n\ncopy\nreset\nexit\ncopy 1\n"),
              "2 OUT DIR SIZE: 0MB\nOUT DIR:out\nFILE (1) COPIED:song.mp3\nOUT DIR:out\n");
    EXPECT_TRUE(ReadFileBytes("errors.txt").starts_with("usage: kelvara-cli"));

    WriteFileBytes("Kelvara.log", "kept");
    EXPECT_EQ(RunCli("copy one"), "2 ");
    EXPECT_EQ(ReadFileBytes("Kelvara.log"), "kept") << "nothing runs after a malformed command line";
    EXPECT_TRUE(RunCli("--help").starts_with("0 usage: kelvara-cli"));
}

}  // namespace
