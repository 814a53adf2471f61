#include "BatchConversion.h"
#include "BuildTagV2.h"
#include "Bytes.h"
#include "FaultyFileSystem.h"
#include "Path.h"
#include "TagConverter.h"
#include "TempFolder.h"

#include <filesystem>
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

std::string Converted(std::string_view title, std::string_view artist, const std::string& audio = kAudio) {
    return AsString(tags::RenderTagV2(title, artist)) + audio;
}

class TagConverterTest : public CTempFolderTest {
  protected:
    void Convert(const std::string& name) { m_converter.ConvertFile(PathOf(name), name); }
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
            if (entry.path().extension() == ".kelvara-tmp") {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    CFaultyFileSystem m_fs;
    CTagConverter m_converter{m_fs};
};

TEST_F(TagConverterTest, ConvertedFileIsNotWrittenAgainAndATaglessOneIsTitledByItsName) {
    WriteFileBytes("song.mp3", SongWithBothTags());
    Convert("song.mp3");
    m_fs.Inject(EFault::OpenWrite, ".kelvara-tmp");  // any attempt to write would now fail
    Convert("song.mp3");
    EXPECT_FALSE(m_converter.HasError()) << "a file already in its new form is not rewritten";
    EXPECT_EQ(ReadFileBytes("song.mp3"), Converted("PCHELA", "ZHUK"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"ID3 EDITED - " + PathOf("song.mp3"),
                                                    "ID3 EDITED - " + PathOf("song.mp3") + " (already in this form)"}));
    EXPECT_TRUE(Leftovers().empty());

    // A tagless file is titled by its name (the fixtures show it, Cyrillic names too, with TagLib); a name that is
    // no valid UTF-8 is taken as Windows-1251 bytes.
    const std::string name = kFileNamesAreBytes ? "\xCF\xF7.mp3" : "track.mp3";
    WriteFileBytes(name, kAudio);
    m_fs.Clear();
    Convert(name);
    EXPECT_EQ(ReadFileBytes(name), Converted(kFileNamesAreBytes ? "PCH.mp3" : name, ""));
}

TEST_F(TagConverterTest, FilesThatCannotBeConvertedStayAsTheyWere) {
    WriteFileBytes("empty.mp3", "");
    WriteFileBytes("done.mp3", Converted("A", "B"));  // read-only is refused even when nothing would change
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
    EXPECT_EQ(ReadFileBytes("done.mp3"), Converted("A", "B"));
    EXPECT_EQ(std::filesystem::file_size("big.mp3"), std::uint64_t{1} << 31);
}

TEST_F(TagConverterTest, AFailureInABatchCostsNeitherTheSongNorTheOnesAfterIt) {
    // The songs after the failed one are written over old content the batch kept: c cuts it, d outgrows it.
    const std::vector<std::pair<std::string, std::string>> songs = {{"a.mp3", std::string(9000, 'a')},
                                                                    {"b.mp3", std::string(100, 'b')},
                                                                    {"c.mp3", std::string(50, 'c')},
                                                                    {"d.mp3", std::string(4000, 'd')}};
    for (const auto& [name, audio] : songs) {
        WriteFileBytes(name, SongWithBothTags(audio));
    }
    m_fs.Inject(EFault::Replace, "b.mp3");
    {
        const CTagConverter::CBatch batch(m_converter);
        for (const auto& [name, audio] : songs) {
            Convert(name);
        }
    }
    for (const auto& [name, audio] : songs) {
        EXPECT_EQ(ReadFileBytes(name), name == "b.mp3" ? SongWithBothTags(audio) : Converted("PCHELA", "ZHUK", audio))
            << name;
    }
    EXPECT_EQ(LogLines()[1], "ERROR: Could not replace file " + PathOf("b.mp3") + ": injected fault");
    EXPECT_TRUE(Leftovers().empty()) << "the kept old content goes when the batch ends";
}

TEST_F(TagConverterTest, EveryFailureLeavesTheSongWholeAndNoTemporaryFile) {
    // The fault, where it strikes, and the log line it gives; the path follows where the line ends in a space.
    const std::tuple<EFault, const char*, std::string> cases[] = {
        {EFault::OpenRead, "song.mp3", "ERROR: Could not open file "},
        {EFault::ShortRead, "song.mp3", "ERROR: readed size don't match"},
        {EFault::FailedRead, "song.mp3", "ERROR: readed size don't match"},
        {EFault::CanWrite, "song.mp3", "ERROR: Could not open file "},
        {EFault::OpenWrite, ".kelvara-tmp", "ERROR: Could not open file "},
        {EFault::ShortWrite, ".kelvara-tmp", "ERROR: writing ID3 on output file."},
        {EFault::FailedWrite, ".kelvara-tmp", "ERROR: writing ID3 on output file."},
        {EFault::RangeCopy, ".kelvara-tmp", "ERROR: writing DATA on output file."},
        {EFault::Flush, ".kelvara-tmp", "ERROR: writing DATA on output file."},
        {EFault::Replace, "song.mp3", "ERROR: Could not replace file "},
    };
    for (const auto& [fault, pathPart, line] : cases) {
        SCOPED_TRACE(line);
        WriteFileBytes("song.mp3", SongWithBothTags());
        m_fs.Clear();
        m_fs.Inject(fault, pathPart);
        Convert("song.mp3");
        EXPECT_TRUE(m_converter.HasError());
        EXPECT_EQ(LogLines().back(), line + (line.ends_with(' ') ? "" : " ") + PathOf("song.mp3") + ": injected fault");
        EXPECT_EQ(ReadFileBytes("song.mp3"), SongWithBothTags());
        EXPECT_TRUE(Leftovers().empty());
    }
}

TEST_F(TagConverterTest, ADamagedTagSizeNeverCostsAudio) {
    const std::string song = SongWithBothTags();
    const auto withSize = [&song](std::vector<char> size) {
        return song.substr(0, 6) + AsString(size) + song.substr(10);
    };
    const std::uint32_t intoTagV1 = static_cast<std::uint32_t>(song.size() - 128 - 10 + 1);
    for (const std::string& damaged : {withSize(Bytes({0x7F, 0, 0, 0})), withSize(BigEndian(intoTagV1, 4, 7)),
                                       withSize(Bytes({0x7F, 0x7F, 0x7F, 0x7F}))}) {
        WriteFileBytes("song.mp3", damaged);
        Convert("song.mp3");
        EXPECT_TRUE(m_converter.HasError());
        EXPECT_EQ(LogLines().back(), "ERROR: damaged ID3v2 tag in " + PathOf("song.mp3") +
                                         ": its size runs past the audio; left unchanged");
        EXPECT_TRUE(ReadFileBytes("song.mp3") == damaged) << "byte-identical";
    }
}

// A power cut keeps only what was flushed: new content must be on the disk before a rename names it, and the
// kept old content of one song must not be written over before the exchange that put it there is on the disk.
TEST_F(TagConverterTest, FlushesComeBeforeTheRenamesThatDependOnThem) {
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3"};
    for (const std::string& name : names) {
        WriteFileBytes(name, SongWithBothTags(name));
    }
    {
        const CTagConverter::CBatch batch(m_converter, 2);  // two kept files per folder flush
        for (const std::string& name : names) {
            Convert(name);
        }
    }
    const std::vector<std::string>& changes = m_fs.Changes();
    const auto word = [](const std::string& change, std::size_t n) {
        std::size_t begin = 0;
        for (std::size_t i = 0; i < n; ++i) {
            begin = change.find(' ', begin) + 1;
        }
        return change.substr(begin, change.find(' ', begin) - begin);
    };
    int renames = 0;
    int reuses = 0;
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const std::string operation = word(changes[i], 0);
        if (operation != "Exchange" && operation != "Replace") {
            continue;
        }
        ++renames;
        const std::string temporary = word(changes[i], 1);
        reuses += std::find(kept.begin(), kept.end(), temporary) != kept.end() ? 1 : 0;
        kept.push_back(temporary);
        const auto flushed =
            std::find(changes.begin(), changes.begin() + static_cast<std::ptrdiff_t>(i), "Flush " + temporary);
        EXPECT_NE(flushed, changes.begin() + static_cast<std::ptrdiff_t>(i)) << changes[i] << " before its flush";
        bool folderFlushed = false;
        for (std::size_t j = i + 1; j < changes.size() && operation == "Exchange"; ++j) {
            folderFlushed = folderFlushed || word(changes[j], 0) == "FlushFolder";
            const bool writesKept = word(changes[j], 1) == temporary && word(changes[j], 0) != "Delete";
            EXPECT_TRUE(folderFlushed || !writesKept) << changes[j] << " before the folder flush";
        }
    }
    EXPECT_EQ(renames, 7);
    // Old content is kept only where the system swaps two names in one step (not on Windows).
    WriteFileBytes("x", "x");
    WriteFileBytes("y", "y");
    const bool swaps = DefaultFileSystem().Exchange("x", "y");
    // A group's kept files are taken in when the next group is handed over, and reused by the group after.
    EXPECT_EQ(reuses, swaps ? 3 : 0) << "every song after the first two groups is written over a kept file";
    const auto isFolderFlush = [&word](const std::string& change) { return word(change, 0) == "FlushFolder"; };
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(), isFolderFlush), swaps ? 2 : 0) << "one per two kept files";
    for (const std::string& name : names) {
        EXPECT_EQ(ReadFileBytes(name), Converted("PCHELA", "ZHUK", name));
    }
}

TEST_F(TagConverterTest, AnotherKelvaraInTheFolderStopsTheBatchBeforeItTouchesAnything) {
    WriteFileBytes("song.mp3", SongWithBothTags());
    WriteFileBytes(".song.mp3.4242-0.kelvara-tmp", "another process's temporary file");
    const std::string folder = m_folder.string();
    const auto noProgress = [](const std::string&) {};
    {
        const CFolderLock other = DefaultFileSystem().LockFolder(folder);
        ASSERT_TRUE(other.pHold);
        const std::string busy = "ERROR: another Kelvara is working in " + folder;
        EXPECT_EQ(ConvertFolder(m_converter, m_fs, folder, noProgress), busy);
        EXPECT_EQ(LogLines(), std::vector<std::string>{busy});
        EXPECT_EQ(ReadFileBytes("song.mp3"), SongWithBothTags());
        EXPECT_EQ(Leftovers().size(), 1u);
    }
    EXPECT_EQ(ConvertFolder(m_converter, m_fs, folder, noProgress), "ID3 EDITED - " + JoinPath(folder, "song.mp3"));
    EXPECT_EQ(ReadFileBytes("song.mp3"), Converted("PCHELA", "ZHUK"));
    EXPECT_TRUE(Leftovers().empty()) << "a crash's leftovers go, under the lock";
}

}  // namespace
