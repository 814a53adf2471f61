#include "BuildTagV2.h"
#include "Bytes.h"
#include "FaultyFileSystem.h"
#include "Path.h"
#include "TagConverter.h"
#include "TempFolder.h"

#include <filesystem>

namespace {

using namespace tagtest;

// Audio stand-in: any bytes do, since they are never interpreted.
const std::string kAudio = AsString(Repeat(0x5A, 3000)) + "\xFF\xFB end of audio";
// "Пчела" / "Жук" in Windows-1251.
const std::vector<char> kPchela = Bytes({0xCF, 0xF7, 0xE5, 0xEB, 0xE0});
const std::vector<char> kZhuk = Bytes({0xC6, 0xF3, 0xEA});

std::string SongWithBothTags(const std::string& audio = kAudio) {
    const auto tagV2 =
        TagV2Block(3, {FrameV23("TIT2", Join({Bytes({0}), kPchela})), FrameV23("TPE1", Join({Bytes({0}), kZhuk})),
                       FrameV23("TALB", Ascii("\x00Album")), Repeat(0, 40)});
    const auto tagV1 = Join({Ascii("TAG"), Repeat(' ', 125)});
    return AsString(tagV2) + audio + AsString(tagV1);
}

std::string Converted(std::string_view title, std::string_view artist, const std::string& audio = kAudio) {
    return AsString(tags::BuildTagV2(title, artist)) + audio;
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
    static void MakeReadOnly(const std::string& name) {
        std::filesystem::permissions(name,
                                     std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
    }

    CFaultyFileSystem m_fs;
    CTagConverter m_converter{m_fs};
};

TEST_F(TagConverterTest, RewritesTheTagAndKeepsTheAudioThenLeavesItsOwnOutputAlone) {
    WriteFileBytes("song.mp3", SongWithBothTags());
    Convert("song.mp3");
    EXPECT_FALSE(m_converter.m_bError);
    EXPECT_EQ(m_converter.m_strStatus, "ID3 EDITED - " + PathOf("song.mp3"));
    EXPECT_EQ(ReadFileBytes("song.mp3"), Converted("PCHELA", "ZHUK"));

    m_fs.Inject(EFault::OpenWrite, ".kelvara-tmp");  // any attempt to write would now fail
    Convert("song.mp3");
    EXPECT_EQ(m_converter.m_strStatus, "ID3 EDITED - " + PathOf("song.mp3"));
    EXPECT_EQ(ReadFileBytes("song.mp3"), Converted("PCHELA", "ZHUK"));
    EXPECT_FALSE(m_converter.m_bError) << "a file already in its new form is not rewritten";
    EXPECT_EQ(LogLines(), std::vector<std::string>(2, m_converter.m_strStatus));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(TagConverterTest, TaglessFileIsTitledByItsNameWhichTheNextRunTransliterates) {
    WriteFileBytes("track.mp3", kAudio);
    Convert("track.mp3");
    EXPECT_EQ(ReadFileBytes("track.mp3"), Converted("track.mp3", ""));

    if constexpr (kFileNamesAreUtf8) {
        // Windows names are in the ANSI code page; the Windows program's own test checks them under code page 1251.
        const std::string cyrillicName = "\xD0\x9F\xD1\x87\xD0\xB5\xD0\xBB\xD0\xB0.mp3";  // "Пчела.mp3"
        WriteFileBytes(cyrillicName, kAudio);
        Convert(cyrillicName);
        EXPECT_EQ(ReadFileBytes(cyrillicName), Converted(AsString(kPchela) + ".mp3", ""));
        Convert(cyrillicName);
        EXPECT_EQ(ReadFileBytes(cyrillicName), Converted("PCHELA.mp3", ""));

        const std::string brokenName = "\xCF\xF7.mp3";  // no valid UTF-8: kept byte for byte
        WriteFileBytes(brokenName, kAudio);
        Convert(brokenName);
        EXPECT_EQ(ReadFileBytes(brokenName), Converted(brokenName, ""));
    }
}

TEST_F(TagConverterTest, FilesThatCannotBeConvertedStayAsTheyWere) {
    WriteFileBytes("empty.mp3", "");
    Convert("empty.mp3");
    EXPECT_FALSE(m_converter.m_bError);
    EXPECT_EQ(m_converter.m_strStatus, "Size of: " + PathOf("empty.mp3") + "is 0");

    std::filesystem::create_directory("folder.mp3");
    Convert("folder.mp3");
    EXPECT_TRUE(m_converter.m_bError);
    EXPECT_EQ(m_converter.m_strStatus, "");

    WriteFileBytes("locked.mp3", SongWithBothTags());
    WriteFileBytes("done.mp3", Converted("A", "B"));
    MakeReadOnly("locked.mp3");
    MakeReadOnly("done.mp3");
    Convert("locked.mp3");
    Convert("done.mp3");
    EXPECT_TRUE(m_converter.m_bError) << "read-only is refused even when nothing would change";
    EXPECT_EQ(ReadFileBytes("locked.mp3"), SongWithBothTags());

    WriteFileBytes("big.mp3", SongWithBothTags());
    std::filesystem::resize_file("big.mp3", std::uint64_t{1} << 31);
    Convert("big.mp3");
    EXPECT_TRUE(m_converter.m_bError);
    EXPECT_EQ(m_converter.m_strStatus, "ERROR: file of 2 GB or more left unchanged: " + PathOf("big.mp3"));
    EXPECT_EQ(std::filesystem::file_size("big.mp3"), std::uint64_t{1} << 31);

    Convert("missing.mp3");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Size of: " + PathOf("empty.mp3") + "is 0",
                                                    "ERROR: Could not open file " + PathOf("folder.mp3"),
                                                    "ERROR: Could not open file " + PathOf("locked.mp3"),
                                                    "ERROR: Could not open file " + PathOf("done.mp3"),
                                                    "ERROR: file of 2 GB or more left unchanged: " + PathOf("big.mp3"),
                                                    "ERROR: Could not open file " + PathOf("missing.mp3")}));
}

TEST_F(TagConverterTest, BatchWritesOverEarlierSongsOldContentAndLeavesNothingBehind) {
    // Longer and shorter songs in turn, so that old content is both cut and outgrown.
    const std::vector<std::pair<std::string, std::string>> songs = {{"a.mp3", std::string(9000, 'a')},
                                                                    {"b.mp3", std::string(100, 'b')},
                                                                    {"c.mp3", std::string(4000, 'c')},
                                                                    {"d.mp3", std::string(50, 'd')}};
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
    EXPECT_EQ(LogLines()[1], "ERROR: Could not replace file " + PathOf("b.mp3"));
    EXPECT_TRUE(Leftovers().empty()) << "the kept old content goes when the batch ends";
}

struct CFaultCase {
    EFault fault;
    const char* pathPart;
    const char* logLine;  // the path follows where the line ends in a space
};

TEST_F(TagConverterTest, EveryFailureLeavesTheSongWholeAndNoTemporaryFile) {
    const CFaultCase cases[] = {
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
    for (const CFaultCase& fault : cases) {
        SCOPED_TRACE(fault.logLine);
        WriteFileBytes("song.mp3", SongWithBothTags());
        m_fs.Clear();
        m_fs.Inject(fault.fault, fault.pathPart);
        Convert("song.mp3");
        EXPECT_TRUE(m_converter.m_bError);
        EXPECT_EQ(m_converter.m_strStatus, "");
        const std::string line = fault.logLine;
        EXPECT_EQ(LogLines().back(), line.ends_with(' ') ? line + PathOf("song.mp3") : line);
        EXPECT_EQ(ReadFileBytes("song.mp3"), SongWithBothTags());
        EXPECT_TRUE(Leftovers().empty());
    }
    m_fs.Clear();
    Convert("song.mp3");
    EXPECT_FALSE(m_converter.m_bError) << "the next file is handled normally";
    EXPECT_EQ(ReadFileBytes("song.mp3"), Converted("PCHELA", "ZHUK"));
}

}  // namespace
