#include "BatchConversion.h"
#include "BuildTagV2.h"
#include "Bytes.h"
#include "FaultyFileSystem.h"
#include "FileSystem.h"
#include "ScopeExit.h"
#include "TagConverter.h"
#include "TempFolder.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace {

using PosixConversionTest = CTempFolderTest;

// On a tmpfs of its own that fills up for real (mounting needs root, as CI has), a stick with room for its largest
// song and a little more: a group never holds more new content than fits, down to one song, so every song is
// converted in one run. Where the file system cannot tell its free space, groups meet the full disk for real: a
// song refused for want of room is written again alone once its group has replaced the old contents.
TEST_F(PosixConversionTest, ANearlyFullStickIsConvertedOneSongAtATime) {
    std::filesystem::create_directory("stick");
    if (::geteuid() != 0 || ::mount("tmpfs", "stick", "tmpfs", 0, "size=16m") != 0) {
        GTEST_SKIP() << "a real full disk needs root to mount a small tmpfs";
    }
    const CScopeExit unmount([this] { ::umount2(PathOf("stick").c_str(), MNT_DETACH); });
    const std::size_t largest = 400 * 1024;
    CFaultyFileSystem blind;
    blind.Inject(EFault::FreeSpace);
    for (IFileSystem* fs : {&DefaultFileSystem(), static_cast<IFileSystem*>(&blind)}) {
        ASSERT_EQ(::mount("tmpfs", "stick", "tmpfs", MS_REMOUNT, "size=16m"), 0);
        for (std::size_t i = 0; i < 20; ++i) {
            // Sizes off the page boundaries, so that the new tag takes no new page.
            WriteFileBytes("stick/song" + std::to_string(i) + ".mp3", std::string(largest - 2000 - i * 8192, '\x5A'));
        }
        struct statvfs st {};
        ASSERT_EQ(::statvfs("stick", &st), 0);
        const std::uint64_t used = (st.f_blocks - st.f_bfree) * st.f_frsize;  // room for the largest and 64 KB more:
        const std::string size = "size=" + std::to_string((used + largest + 64 * 1024) / 4096 * 4096);
        ASSERT_EQ(::mount("tmpfs", "stick", "tmpfs", MS_REMOUNT, size.c_str()), 0);
        ASSERT_GE(DefaultFileSystem().FreeSpace("stick").value_or(0), largest) << "the room left is seen";
        CTagConverter converter(*fs);
        ConvertFolder(converter, *fs, "stick", [](const std::string&) {});
        EXPECT_EQ(LogLines().back(), "EDIT ID3's: 20 files found, 20 converted, 0 already converted, 0 failed");
    }
}

// Links (to another folder and to a song of the same folder) and a FIFO among the songs, in several places
// of the walk order, and a song hard-linked from outside: nothing outside the out folder changes, every regular
// song is converted and keeps its permissions, and the FIFO is never waited on.
TEST_F(PosixConversionTest, LinksAndSpecialFilesInTheOutFolderAreLeftExactlyAsTheyAre) {
    std::filesystem::create_directories("lib");
    std::filesystem::create_directories("out");
    WriteFileBytes("lib/x.mp3", "audio of x, outside");
    ::chmod("lib/x.mp3", 0600);
    // Songs are titled by their names; one that is no valid UTF-8 is taken as Windows-1251 bytes.
    const std::vector<std::tuple<std::string, std::string, unsigned>> songs = {{"b.mp3", "b.mp3", 0640},
                                                                               {"c.mp3", "c.mp3", 0604},
                                                                               {"n\xCF\xF7.mp3", "nPCH.mp3", 0644},
                                                                               {"y.mp3", "y.mp3", 0600}};
    for (const auto& [name, title, mode] : songs) {
        WriteFileBytes("out/" + name, "audio of " + name);
        ::chmod(("out/" + name).c_str(), mode);
    }
    std::filesystem::create_hard_link("out/b.mp3", "lib/b.bin");
    const std::vector<std::pair<std::string, std::string>> links = {
        {"a.mp3", "../lib/x.mp3"}, {"m.mp3", "b.mp3"}, {"o.mp3", "../lib/x.mp3"}, {"zz.mp3", "../lib/x.mp3"}};
    for (const auto& [name, target] : links) {
        std::filesystem::create_symlink(target, "out/" + name);
    }
    ASSERT_EQ(::mkfifo("out/fifo.mp3", 0644), 0);

    CTagConverter converter;
    ConvertFolder(converter, DefaultFileSystem(), "out", [](const std::string&) {});

    EXPECT_EQ(ReadFileBytes("lib/x.mp3"), "audio of x, outside");
    EXPECT_EQ(ReadFileBytes("lib/b.bin"), "audio of b.mp3");
    const auto modeOf = [](const std::string& path) { return std::filesystem::status(path).permissions(); };
    EXPECT_EQ(modeOf("lib/x.mp3"), std::filesystem::perms(0600));
    for (const auto& [name, title, mode] : songs) {
        EXPECT_EQ(ReadFileBytes("out/" + name), tagtest::AsString(tags::RenderTagV2(title, "")) + "audio of " + name);
        EXPECT_EQ(modeOf("out/" + name), std::filesystem::perms(mode)) << name;
    }
    for (const auto& [name, target] : links) {
        EXPECT_EQ(std::filesystem::read_symlink("out/" + name), target);
    }
    const std::vector<std::string> log = LogLines();
    const auto isLink = [](const std::string& line) { return line.find(" is a link, not a file") != line.npos; };
    EXPECT_EQ(std::ranges::count_if(log, isLink), 4);
    EXPECT_EQ(std::ranges::count(log, "ERROR: out/fifo.mp3 is not a regular file; left unchanged"), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("out"), {}), 9) << "no temporary file is left";
}

// Should another program swap waiting temporary files for links, nothing is written through them, and no song
// is replaced by one.
TEST_F(PosixConversionTest, TemporaryFilesAreUsedOnlyWhileTheyAreTheBatchsOwn) {
    std::filesystem::create_directories("out");
    WriteFileBytes("victim.mp3", "outside the out folder");
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3"};
    for (const std::string& name : names) {
        WriteFileBytes("out/" + name, "audio of " + name);
    }
    CFaultyFileSystem fs;
    fs.OnCall([](const std::string& operation, const std::string& path) {
        // Just before the first check of a waiting temporary file, the last moment it could be seen.
        const bool checksATemporary = operation == "InfoOf" && path.ends_with(".kelvara-tmp");
        for (const auto& entry : std::filesystem::directory_iterator("out")) {
            if (checksATemporary && entry.path().extension() == ".kelvara-tmp") {
                std::filesystem::remove(entry.path());
                std::filesystem::create_symlink("../victim.mp3", entry.path());
            }
        }
    });
    CTagConverter converter(fs);
    ConvertFolder(converter, fs, "out", [](const std::string&) {});
    EXPECT_EQ(ReadFileBytes("victim.mp3"), "outside the out folder");
    for (const std::string& name : names) {
        EXPECT_EQ(ReadFileBytes("out/" + name), "audio of " + name) << name;
    }
}

}  // namespace
