#include "BatchConversion.h"
#include "BuildTagV2.h"
#include "Bytes.h"
#include "FaultyFileSystem.h"
#include "Path.h"
#include "TagConverter.h"
#include "TempFolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <tuple>

namespace {

using namespace tagtest;

// Audio stand-in: any bytes do, since they are never interpreted.
const std::string kAudio = AsString(Repeat(0x5A, 3000)) + "\xFF\xFB end of audio";

// "Пчела" / "Жук" in Windows-1251, an album and padding, the audio, and an empty ID3v1 block.
std::string SongWithBothTags(const std::string& audio = kAudio) {
    const auto tagV2 = TagV2Block(
        3, {Frame("TIT2", Bytes({0, 0xCF, 0xF7, 0xE5, 0xEB, 0xE0})), Frame("TPE1", Bytes({0, 0xC6, 0xF3, 0xEA})),
            Frame("TALB", Join({Bytes({0}), Ascii("Album")})), Repeat(0, 40)});
    return AsString(Join({tagV2, Ascii(audio), Ascii("TAG"), Repeat(' ', 125)}));
}

// Each song holds its own name as its audio, so that no byte of one can pass for another's.
std::string ConvertedSong(const std::string& name) {
    return AsString(tags::RenderTagV2("PCHELA", "ZHUK")) + name;
}

class TagConverterTest : public CTempFolderTest {
  protected:
    void Convert(const std::string& name) { m_converter.ConvertFile(PathOf(name), name); }
    std::string ConvertAll() {
        return ConvertFolder(m_converter, m_fs, m_folder.string(), [](const std::string&) {});
    }
    // Songs titled "Пчела" with their names as audio, and no log of an earlier batch.
    static void WriteSongs(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            WriteFileBytes(name, SongWithBothTags(name));
        }
        std::filesystem::remove("Kelvara.log");
    }
    std::ptrdiff_t Leftovers() const {
        return std::count_if(std::filesystem::directory_iterator(m_folder), {},
                             [](const auto& entry) { return entry.path().extension() == ".kelvara-tmp"; });
    }

    CFaultyFileSystem m_fs;
    CTagConverter m_converter{m_fs};
};

TEST_F(TagConverterTest, FilesThatCannotBeConvertedStayAsTheyWere) {
    WriteFileBytes("empty.mp3", "");
    WriteFileBytes("done.mp3", ConvertedSong("done.mp3"));  // read-only is refused even when nothing would change
    std::filesystem::permissions("done.mp3", std::filesystem::perms::owner_read);
    WriteFileBytes("big.mp3", SongWithBothTags());
    std::filesystem::resize_file("big.mp3", std::uint64_t{1} << 31);
    // Each failure names its file and the system's reason; only an empty file is no error.
    const std::string cannotOpen = "ERROR: Could not open file ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty.mp3", "Size of: " + PathOf("empty.mp3") + "is 0"},
        {"done.mp3", cannotOpen + PathOf("done.mp3") + ": the file is read-only"},
        {"big.mp3", "ERROR: file of 2 GB or more left unchanged: " + PathOf("big.mp3")},
        {"missing.mp3", cannotOpen + PathOf("missing.mp3") + ": "},
    };
    for (const auto& [name, line] : cases) {
        Convert(name);
        EXPECT_EQ(m_converter.HasError(), name != "empty.mp3") << name;
        EXPECT_EQ(m_converter.Status(), line.starts_with(cannotOpen) ? "" : line);
        const std::string logged = LogLines().back();
        EXPECT_TRUE(line.ends_with(": ") ? logged.starts_with(line) && logged.size() > line.size() : logged == line)
            << logged;
    }
    EXPECT_EQ(LogLines().size(), cases.size());
    EXPECT_EQ(ReadFileBytes("done.mp3"), ConvertedSong("done.mp3"));
    EXPECT_EQ(std::filesystem::file_size("big.mp3"), std::uint64_t{1} << 31);
}

// Injected faults, and tag sizes that run past the audio (which must never cost audio).
TEST_F(TagConverterTest, EveryFailureLeavesTheSongWholeAndNoTemporaryFile) {
    const auto convertUnchanged = [this](const std::string& bytes, const std::string& line) {
        WriteFileBytes("song.mp3", bytes);
        Convert("song.mp3");
        EXPECT_TRUE(m_converter.HasError());
        EXPECT_EQ(LogLines().back(), line);
        EXPECT_TRUE(ReadFileBytes("song.mp3") == bytes) << "byte-identical";
        EXPECT_EQ(Leftovers(), 0);
    };
    // The fault, where it strikes, and the log line it gives; the path follows where the line ends in a space.
    const std::tuple<EFault, const char*, std::string> cases[] = {
        {EFault::OpenRead, "song.mp3", "ERROR: Could not open file "},
        {EFault::ShortRead, "song.mp3", "ERROR: readed size don't match"},
        {EFault::CanWrite, "song.mp3", "ERROR: Could not open file "},
        {EFault::OpenWrite, ".kelvara-tmp", "ERROR: Could not open file "},
        {EFault::ShortWrite, ".kelvara-tmp", "ERROR: writing ID3 on output file."},
        {EFault::RangeCopy, ".kelvara-tmp", "ERROR: writing DATA on output file."},
        {EFault::Flush, ".kelvara-tmp", "ERROR: writing DATA on output file."},
        {EFault::Replace, "song.mp3", "ERROR: Could not replace file "},
    };
    for (const auto& [fault, pathPart, line] : cases) {
        SCOPED_TRACE(line);
        m_fs.Clear();
        m_fs.Inject(fault, pathPart);
        convertUnchanged(SongWithBothTags(),
                         line + (line.ends_with(' ') ? "" : " ") + PathOf("song.mp3") + ": injected fault");
    }
    m_fs.Clear();
    const std::string song = SongWithBothTags();
    const auto intoTagV1 = static_cast<std::uint32_t>(song.size() - 128 - 10 + 1);
    for (const auto& size : {Bytes({0x7F, 0, 0, 0}), BigEndian(intoTagV1, 4, 7), Bytes({0x7F, 0x7F, 0x7F, 0x7F})}) {
        convertUnchanged(
            song.substr(0, 6) + AsString(size) + song.substr(10),
            "ERROR: damaged ID3v2 tag in " + PathOf("song.mp3") + ": its size runs past the audio; left unchanged");
    }
}

// A power cut keeps only what was flushed: new content must have the song's permissions and be on the disk
// before a rename names it, and the folder is flushed after the last rename, so that what the log reports
// survives. Content is only ever written into a file just made new, never into an older one.
TEST_F(TagConverterTest, FlushesComeBeforeTheRenamesThatDependOnThem) {
    WriteSongs({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3"});
    ConvertAll();
    const std::vector<std::string>& changes = m_fs.Changes();
    const auto seenIn = [&changes](std::size_t from, std::size_t to, const std::string& change) {
        return std::ranges::count(std::span(changes).subspan(from, to - from), change) > 0;
    };
    std::size_t lastReplace = 0;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const std::string operation = changes[i].substr(0, changes[i].find(' '));
        const std::string path = changes[i].substr(operation.size() + 1);
        const std::string temporary = path.substr(0, path.find(' '));
        EXPECT_FALSE(operation == "OpenNew" && seenIn(0, i, changes[i])) << "a temporary name is used twice";
        EXPECT_TRUE(operation != "Write" || seenIn(0, i, "OpenNew " + path)) << changes[i] << ": not a new file";
        if (operation == "Replace") {
            EXPECT_TRUE(seenIn(0, i, "TakePermissionsOf " + temporary) && seenIn(0, i, "Flush " + temporary))
                << changes[i] << " before its permissions or its flush";
            lastReplace = i;
        }
    }
    ASSERT_GT(lastReplace, 0u);
    EXPECT_TRUE(seenIn(lastReplace, changes.size(), "FlushFolder " + FolderPrefix(PathOf("a.mp3"))))
        << "the folder is flushed after the last rename";
}

// The clean-up of a crash's temporary files waits for the lock, as another Kelvara may still be writing them.
TEST_F(TagConverterTest, AnotherKelvaraInTheFolderStopsTheBatchBeforeItTouchesAnything) {
    WriteSongs({"song.mp3"});
    WriteFileBytes(".song.mp3.4242-0.kelvara-tmp", "another process's temporary file");
    {
        const CFolderLock other = DefaultFileSystem().LockFolder(m_folder.string());
        const std::string busy = "ERROR: another Kelvara is working in " + m_folder.string();
        EXPECT_EQ(ConvertAll(), busy);
        EXPECT_EQ(LogLines(), std::vector<std::string>{busy});
        EXPECT_EQ(ReadFileBytes("song.mp3"), SongWithBothTags("song.mp3"));
        EXPECT_EQ(Leftovers(), 1);
    }
    ConvertAll();
    EXPECT_EQ(Leftovers(), 0) << "a crash's leftovers go, under the lock";
}

// Another program at work on songs while the batch runs: each changed song is left exactly as that program made
// it, the others are converted, and no byte of one lands in another. The seam's hook makes the moment certain.
// Windows refuses the writers outright while a song is open for its conversion; those songs are converted.
TEST_F(TagConverterTest, ASongChangedWhileItIsConvertedIsLeftAsTheOtherProgramMadeIt) {
    const std::vector<std::string> names = {"a.mp3", "append.mp3", "renamed.mp3", "edited.mp3", "locked.mp3", "z.mp3"};
    WriteSongs(names);
    // A tag editor rewrites its song in place between the read and the copy of the audio (as the temporary file is
    // made); the others act just before the song's last check, when its new content is complete and flushed.
    const std::vector<std::tuple<std::string, std::string, std::function<void()>>> others = {
        {"OpenNew", "edited.mp3",
         [] { std::ofstream("edited.mp3", std::ios::in | std::ios::trunc) << "the editor's"; }},
        {"InfoOf", "append.mp3",  // a download still running
         [] { std::ofstream("append.mp3", std::ios::app | std::ios::binary) << "more bytes"; }},
        {"InfoOf", "renamed.mp3",  // another program's safe save
         [] {
             WriteFileBytes("other.part", "another program's version");
             std::filesystem::rename("other.part", "renamed.mp3");
         }},
        {"InfoOf", "locked.mp3",
         [] { std::filesystem::permissions("locked.mp3", std::filesystem::perms::owner_read); }},
    };
    std::map<std::string, std::string> madeBy;  // what the other program left in each song it changed
    std::set<std::string> tried;
    m_fs.OnCall([&](const std::string& operation, const std::string& path) {
        const std::string name = std::filesystem::path(path).filename().string();
        for (const auto& [when, song, change] : others) {
            const bool now =
                operation == when && (when == "OpenNew" ? name.starts_with("." + song) : path == PathOf(song));
            if (!now || !tried.insert(song).second) {
                continue;
            }
            const auto before = std::filesystem::status(song).permissions();
            try {
                change();
            } catch (const std::exception&) {
                continue;  // refused by the system
            }
            if (ReadFileBytes(song) != SongWithBothTags(song) ||
                std::filesystem::status(song).permissions() != before) {
                madeBy[song] = ReadFileBytes(song);
            }
        }
    });
    const std::string status = ConvertAll();
    EXPECT_EQ(tried.size(), 4u);
    EXPECT_TRUE(madeBy.size() == 4u || !kFileNamesAreBytes) << "on POSIX nothing refuses the other program";
    EXPECT_EQ(status, "ERROR: " + std::to_string(madeBy.size()) + " of 6 files left unchanged, see Kelvara.log");
    const std::vector<std::string> log = LogLines();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto changed = madeBy.find(name);
        EXPECT_TRUE(ReadFileBytes(name) == (changed != madeBy.end() ? changed->second : ConvertedSong(name)));
        const std::string line = "ERROR: " + JoinPath(m_folder.string(), name) +
                                 " changed while it was being converted; left as the other program made it";
        EXPECT_EQ(std::count(log.begin(), log.end(), line), changed != madeBy.end() ? 1 : 0);
    }
    EXPECT_EQ(Leftovers(), 0);
}

// An exception from any file service call, at every point of a batch of five songs among which one fails: no
// crash, every song old or new, the outcomes add up, and the next run converts what is left and leaves no
// temporary file.
TEST_F(TagConverterTest, AnExceptionAtAnyFileCallLeavesEverySongOldOrNew) {
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"};
    m_fs.Inject(EFault::Replace, "c.mp3");
    WriteSongs(names);
    ConvertAll();
    const std::size_t calls = m_fs.Calls();
    EXPECT_GT(calls, 40u) << "the seam saw the batch's calls";
    for (std::size_t n = 1; n <= calls; ++n) {
        SCOPED_TRACE(n);
        WriteSongs(names);
        m_fs.ThrowAtCall(n);
        try {
            ConvertAll();
        } catch (const std::bad_alloc&) {
            // from the folder's search, before any song was taken
        }
        for (const std::string& name : names) {
            const std::string bytes = ReadFileBytes(name);
            EXPECT_TRUE(bytes == SongWithBothTags(name) || bytes == ConvertedSong(name)) << name;
        }
        const std::vector<std::string> log = LogLines();
        const char* summary = "EDIT ID3's: 5 files found, %u converted, %u already converted, %u failed";
        unsigned converted = 0, already = 0, failed = 0;
        if (!log.empty() && std::sscanf(log.back().c_str(), summary, &converted, &already, &failed) == 3) {
            EXPECT_EQ(converted + already + failed, 5u);
        }
        m_fs.ThrowAtCall(0);
        ConvertAll();
        for (const std::string& name : names) {
            EXPECT_TRUE(ReadFileBytes(name) == (name == "c.mp3" ? SongWithBothTags(name) : ConvertedSong(name)))
                << name;
        }
        EXPECT_EQ(Leftovers(), 0);
    }
}

}  // namespace
