#include "FileSystem.h"
#include "TempFolder.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

namespace {

// Lowers the largest file this process may write, so a copy runs out of room part-way, as on a
// full disk; restored afterwards.
class CFileSizeLimit {
  public:
    explicit CFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~CFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

  private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

using PosixCopyFailureTest = CTempFolderTest;

TEST_F(PosixCopyFailureTest, CopyThatRunsOutOfRoomKeepsTheOldCopyAndLeavesNoPart) {
    WriteFileBytes("song.mp3", std::string(3 << 20, 'n'));
    std::filesystem::create_directory("out");
    WriteFileBytes("out/song.mp3", "the earlier copy");
    {
        CFileSizeLimit limit(1 << 20);
        EXPECT_FALSE(CopyWhole(DefaultFileSystem(), "song.mp3", "out/song.mp3"));
    }
    EXPECT_EQ(ReadFileBytes("out/song.mp3"), "the earlier copy");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("out")) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"song.mp3"});
}

}  // namespace
