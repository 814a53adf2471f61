#include "Bytes.h"
#include "TagConverter.h"
#include "TempFolder.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

// Real MP3 files, and tags as other programs write them (some of them odd) around real audio: what the converter
// makes of each, read back by TagLib.

namespace {

using namespace tagtest;

// The real MP3 files in tests/data: each UTF-8 name, the title and artist after one conversion, and where the
// audio starts (after the whole ID3v2 block) and how long it runs (up to the ID3v1 block or the end of the file).
struct FixtureFile {
    std::string_view name, title, artist;
    std::size_t audioOffset, audioSize;
};
constexpr FixtureFile kFixtureFiles[] = {
#include "FixtureFiles.inc"  // made by tests/data/make_fixtures.py with the files
};

// Name, expected title and artist after one conversion, the file's bytes, and the audio that must follow the new
// tag byte for byte.
using Song = std::tuple<std::string, std::string, std::string, std::string, std::string>;

std::vector<char> Text(int encoding, std::string_view text) {
    return Join({Bytes({encoding}), Ascii(text)});
}

// Name, expected title and artist, the tags before the audio and the tags after it.
struct Crafted {
    std::string name, title, artist;
    std::vector<char> before, after = {};
};

std::vector<Crafted> CraftedTags() {
    const std::vector<char> chapter =
        Join({Ascii("ch1"), Bytes({0}), Repeat(0, 16), Frame("TIT2", Text(0, "10 seconds"))});
    const std::vector<char> picture = Join({Text(0, "image/png"), Bytes({0, 3, 0}), Frame("TIT2", Text(0, "\x89PNG"))});
    const std::vector<char> tagV1 = TagV1(Ascii("V1 title"), Ascii("V1 artist"), '\0');
    std::vector<char> upperHalf(64);  // every byte of Windows-1251 from 0x80 to 0xBF
    std::iota(upperHalf.begin(), upperHalf.end(), static_cast<char>(0x80));
    return {
        {"chapters.mp3", "ID3 chapters", "Pod",
         TagV2Block(3,
                    {Frame("TIT2", Text(0, "ID3 chapters")), Frame("TPE1", Text(0, "Pod")), Frame("CHAP", chapter)})},
        // Longer than a text may be: cut to 2047 letters, in a frame whose size is no synchsafe number.
        {"long-title.mp3", std::string(2047, 'A'), "", TagV2Block(3, {Frame("TIT2", Text(0, std::string(3000, 'A')))})},
        // A tag too large to be held whole is walked in the file.
        {"large-picture.mp3", "After the picture", "Artist",
         TagV2Block(4, {Frame("TPE1", Text(0, "Artist"), 4), Frame("APIC", Join({picture, Repeat('T', 300000)}), 4),
                        Frame("TIT2", Text(0, "After the picture"), 4)})},
        {"data-length.mp3", "title", "MY",
         TagV2Block(4, {Frame("TIT2", Join({BigEndian(6, 4, 7), Text(3, "title")}), 4, 0x01),
                        Frame("TPE1", Join({BigEndian(7, 4, 7), Bytes({1, 0xFF, 0, 0xFE, 0x1C, 0x04, 0x4B, 0x04})}), 4,
                              0x03)})},
        {"encrypted.mp3", "V1 title", "V1 artist",
         TagV2Block(3, {Frame("TIT2", Join({Bytes({0x80}), Repeat(0xE5, 12)}), 3, 0x40)}), tagV1},
        {"multi-value.mp3", "piman / jzig", "a / b",
         TagV2Block(4, {Frame("TIT2", Text(3, std::string_view("piman\0jzig", 10)), 4),
                        Frame("TPE1", Bytes({1, 0xFF, 0xFE, 'a', 0, 0, 0, 0xFF, 0xFE, 'b', 0}), 4)})},
        {"missing-fields.mp3", "Title only", "V1 artist",
         TagV2Block(3, {Frame("TIT2", Text(0, "Title only")), Frame("TPE1", Text(0, "  "))}), tagV1},
        // The texts of the other tags are never used.
        {"two-id3v2.mp3", "First", "",
         Join(
             {TagV2Block(3, {Frame("TIT2", Text(0, "First"))}), TagV2Block(4, {Frame("TPE1", Text(0, "Second"), 4)})})},
        {"ape.mp3", "V1 title", "V1 artist", {}, Join({ApeTag(ApeItem("Title", "aa\xE7\x88\xB6-bb"), true), tagV1})},
        {"ape-at-end.mp3", "T", "", TagV2Block(3, {Frame("TIT2", Text(0, "T"))}),
         ApeTag(ApeItem("Artist", "ape"), false)},
        {"lyrics3v2.mp3", "V1 title", "V1 artist", {}, Join({Lyrics3V2("la la la"), tagV1})},
        {"lyrics3v1.mp3", "V1 title", "V1 artist", {}, Join({Ascii("LYRICSBEGINla la laLYRICSEND"), tagV1})},
        {"two-id3v1.mp3", "V1 title", "V1 artist", {}, Join({TagV1(Ascii("Old"), Ascii("Old"), '\0'), tagV1})},
        // Every byte of Windows-1251 from 0x80 to 0xBF, and the letters, signs and controls the table adds.
        {"cp1251-upper-half.mp3", "DJGJ,GJ\"...++EUR%LJ<NJKJCDZDJ''\"\"*--TMLJ>NJKJCDZ",
         " UUJG|SYO(C)YE\"-(R)YI+-IIGu*YONYE\"JDZDZYI",
         TagV2Block(3, {Frame("TIT2", Join({Bytes({0}), {upperHalf.begin(), upperHalf.begin() + 32}})),
                        Frame("TPE1", Join({Bytes({0}), {upperHalf.begin() + 32, upperHalf.end()}}))})},
        {"other-letters.mp3", "YYEEMYAYIZH", "eLssaeo CHPS \"HIT\" ?",
         TagV2Block(3, {Frame("TIT2",
                              Bytes({0, 0xDB, 0xFB, 0xDD, 0xFD, 0x01, 0x1F, 0x7F, 0xCC, 0xFB, 0xDA, 0xDC, 0xC9, 0xE6})),
                        Frame("TPE1", Text(3,
                                           "\xC3\xA9\xC5\x81\xC3\x9F\xC3\xA6\xC3\xB8 \xCE\xA7\xCF\x88 "
                                           "\xC2\xAB\xD0\xA5\xD0\xB8\xD1\x82\xC2\xBB \xE4\xB8\xAD"))})},
    };
}

// The fixtures, then the crafted tags around the tagless fixture's audio.
std::vector<Song> Songs() {
    std::vector<Song> songs;
    for (const auto& fixture : kFixtureFiles) {
        // Fixture names are UTF-8 whatever the platform's narrow code page; char8_t makes the path read them so.
        const std::u8string utf8(fixture.name.begin(), fixture.name.end());
        const std::string bytes = ReadFileBytes((std::filesystem::path(KELVARA_ROOT "/tests/data") / utf8).string());
        songs.push_back({std::string(fixture.name), std::string(fixture.title), std::string(fixture.artist), bytes,
                         bytes.substr(fixture.audioOffset, fixture.audioSize)});
    }
    const std::string audio = std::get<4>(songs.front());  // the tagless fixture's
    for (const auto& [name, title, artist, before, after] : CraftedTags()) {
        songs.push_back({name, title, artist, AsString(before) + audio + AsString(after), audio});
    }
    return songs;
}

// A converted file as TagLib sees it: a reader that shares no code with ours.
struct TagProbe {
    bool isValid = false;       // TagLib opened the file and took it for MPEG audio
    int tagV2Version = 0;       // 0 without an ID3v2 tag
    std::size_t tagV2Size = 0;  // the whole block: header, frames, padding and any footer
    std::vector<std::string> frameIds;
    bool hasTagV1 = false;
    bool hasApeTag = false;
    std::string title, artist;  // TagLib's merged view in Latin-1: the bytes of an encoding-0 frame exactly
};

// Reads the file without ever opening it for writing.
TagProbe ProbeWithTagLib(const std::string& path) {
    TagProbe probe;
    TagLib::FileStream stream(path.c_str(), true);  // a file that cannot be opened is not valid
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Accurate);
    probe.isValid = file.isValid();  // an invalid file has no tags and empty texts
    if (const TagLib::ID3v2::Tag* tag = file.hasID3v2Tag() ? file.ID3v2Tag() : nullptr) {
        probe.tagV2Version = static_cast<int>(tag->header()->majorVersion());
        probe.tagV2Size = tag->header()->completeTagSize();
        for (const TagLib::ID3v2::Frame* frame : tag->frameList()) {
            probe.frameIds.emplace_back(frame->frameID().data(), frame->frameID().size());
        }
    }
    probe.hasTagV1 = file.hasID3v1Tag();
    probe.hasApeTag = file.hasAPETag();
    probe.title = file.tag()->title().to8Bit(false);
    probe.artist = file.tag()->artist().to8Bit(false);
    return probe;
}

using ConversionTest = CTempFolderTest;

// As EDIT ID3's does it: one batch, written in groups; then a second batch, which finds every song done and
// leaves it as it was.
TEST_F(ConversionTest, TagLibSeesOnlyTheNewTagBeforeTheSameAudioAndASecondRunChangesNothing) {
    const std::vector<Song> songs = Songs();
    for (const auto& [name, title, artist, bytes, audio] : songs) {
        WriteFileBytes(name, bytes);
    }
    CTagConverter converter;
    std::vector<std::string> once(songs.size());  // each song's bytes after the first batch
    for (const auto outcome : {CTagConverter::EOutcome::Converted, CTagConverter::EOutcome::AlreadyConverted}) {
        CTagConverter::CBatch batch(converter);
        for (const auto& [name, title, artist, bytes, audio] : songs) {
            batch.Convert(PathOf(name), name);
        }
        batch.Finish();
        EXPECT_EQ(batch.Count(outcome), songs.size());
        for (std::size_t i = 0; i < songs.size(); ++i) {
            const auto& [name, title, artist, bytes, audio] = songs[i];
            SCOPED_TRACE(name);
            const TagProbe after = ProbeWithTagLib(PathOf(name));
            // Version, frames, no ID3v1 or APE tag, and the texts.
            EXPECT_EQ(std::tie(after.isValid, after.tagV2Version, after.frameIds, after.hasTagV1, after.hasApeTag,
                               after.title, after.artist),
                      std::tuple(true, 3, std::vector<std::string>{"TIT2", "TPE1"}, false, false, title, artist));
            const std::string now = ReadFileBytes(name);
            EXPECT_TRUE(now.substr(after.tagV2Size) == audio) << "the tag, then the same audio";
            EXPECT_TRUE(std::exchange(once[i], now) == now || outcome == CTagConverter::EOutcome::Converted);
        }
    }
    const auto already = [](const std::string& line) { return line.ends_with(" (already in this form)"); };
    EXPECT_EQ(std::ranges::count_if(LogLines(), already), static_cast<std::ptrdiff_t>(songs.size()));
}

}  // namespace
