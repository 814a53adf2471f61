#include "BuildTagV2.h"
#include "Bytes.h"
#include "Fixtures.h"
#include "TagConverter.h"
#include "TagProbe.h"
#include "TempFolder.h"

#include <algorithm>

// Tags as other programs write them, some of them odd, around real audio: what the converter makes of each,
// read back by TagLib.

namespace {

using namespace tagtest;

struct CraftedSong {
    std::string name;
    std::vector<char> before;  // the tags before the audio
    std::vector<char> after;   // and after it
    std::string title;         // expected after one conversion
    std::string artist;
};

std::vector<char> Text(int encoding, std::string_view text) {
    return Join({Bytes({encoding}), Ascii(text)});
}

// A 128-byte ID3v1 block; each field is cut or padded with zeros to its 30 bytes.
std::vector<char> TagV1(std::string title, std::string artist) {
    title.resize(30, '\0');
    artist.resize(30, '\0');
    return Join({Ascii("TAG"), Ascii(title), Ascii(artist), Repeat(0, 65)});
}

std::vector<char> Range(int first, int last) {
    std::vector<char> bytes;
    for (int byte = first; byte <= last; ++byte) {
        bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

std::vector<CraftedSong> CraftedSongs() {
    const std::vector<char> chapterTitle = Frame("TIT2", Text(0, "10 seconds"));
    const std::vector<char> chapter = Join({Ascii("ch1"), Bytes({0}), Repeat(0, 16), chapterTitle});
    const std::vector<char> picture = Join({Text(0, "image/png"), Bytes({0, 3, 0}), Frame("TIT2", Text(0, "\x89PNG"))});
    const std::vector<char> packed = Text(0, "Packed");
    const std::vector<char> tagV1 = TagV1("V1 title", "V1 artist");
    return {
        {"chapters.mp3",
         TagV2Block(3, {Frame("TIT2", Text(0, "ID3 chapters example")), Frame("TPE1", Text(0, "Podcaster")),
                        Frame("CHAP", chapter)}),
         {},
         "ID3 chapters example",
         "Podcaster"},
        {"chapter-only.mp3", TagV2Block(3, {Frame("CHAP", chapter)}), {}, "chapter-only.mp3", ""},
        // Longer than a text may be: cut to 2047 letters, in a frame whose size is no synchsafe number.
        {"long-title.mp3",
         TagV2Block(3, {Frame("TIT2", Text(0, std::string(3000, 'A')))}),
         {},
         std::string(2047, 'A'),
         ""},
        {"picture.mp3", TagV2Block(3, {Frame("TIT2", Text(0, "Real")), Frame("APIC", picture)}), {}, "Real", ""},
        // A tag too large to be held whole is walked in the file.
        {"large-picture.mp3",
         TagV2Block(4, {Frame("TPE1", Text(0, "Artist"), 4), Frame("APIC", Join({picture, Repeat('T', 300000)}), 4),
                        Frame("TIT2", Text(0, "After the picture"), 4)}),
         {},
         "After the picture",
         "Artist"},
        {"comment.mp3",
         TagV2Block(3, {Frame("TIT2", Text(0, "Song")),
                        Frame("COMM", Text(0, std::string_view("engTPE1\0\0\0\x05\0\0\0Wron", 18)))}),
         tagV1, "Song", "V1 artist"},
        // A data length, then unsynchronised UTF-16 too: FF FE stored as FF 00 FE.
        {"data-length.mp3",
         TagV2Block(4, {Frame("TIT2", Join({BigEndian(6, 4, 7), Text(3, "title")}), 4, 0x01),
                        Frame("TPE1", Join({BigEndian(7, 4, 7), Bytes({1, 0xFF, 0, 0xFE, 0x1C, 0x04, 0x4B, 0x04})}), 4,
                              0x03)}),
         {},
         "title",
         "MY"},
        {"compressed.mp3",
         TagV2Block(3,
                    {Frame("TIT2", Join({BigEndian(7, 4), Compressed(packed)}), 3, 0x80), Frame("TPE1", Text(0, "Z"))}),
         {},
         "Packed",
         "Z"},
        {"compressed-v24.mp3",
         TagV2Block(4, {Frame("TPE1", Join({BigEndian(7, 4, 7), Compressed(packed)}), 4, 0x09)}),
         {},
         "compressed-v24.mp3",
         "Packed"},
        {"encrypted.mp3", TagV2Block(3, {Frame("TIT2", Join({Bytes({0x80}), Repeat(0xE5, 12)}), 3, 0x40)}), tagV1,
         "V1 title", "V1 artist"},
        {"bad-encoding.mp3",
         TagV2Block(3, {Frame("TIT2", Text(4, "abc")), Frame("TPE1", Text(0, "B"))}),
         {},
         "bad-encoding.mp3",
         "B"},
        {"v1-junk.mp3", {}, TagV1(std::string("12345\0junk", 10), std::string("Art\0\x01\x02xx", 8)), "12345", "Art"},
        {"multi-value.mp3",
         TagV2Block(4, {Frame("TIT2", Text(3, std::string_view("piman\0jzig", 10)), 4),
                        Frame("TPE1", Bytes({1, 0xFF, 0xFE, 'a', 0, 0, 0, 0xFF, 0xFE, 'b', 0}), 4)}),
         {},
         "piman / jzig",
         "a / b"},
        {"missing-fields.mp3", TagV2Block(3, {Frame("TIT2", Text(0, "Title only")), Frame("TPE1", Text(0, "  "))}),
         tagV1, "Title only", "V1 artist"},
        // The texts of the other tags are never used.
        {"two-id3v2.mp3",
         Join({TagV2Block(3, {Frame("TIT2", Text(0, "First"))}), TagV2Block(4, {Frame("TPE1", Text(0, "Second"), 4)})}),
         {},
         "First",
         ""},
        {"ape.mp3",
         {},
         Join({ApeTag(ApeItem("Title",
                              "aa\xE7\x88\xB6"
                              "bb"),
                      true),
               tagV1}),
         "V1 title",
         "V1 artist"},
        {"ape-at-end.mp3", TagV2Block(3, {Frame("TIT2", Text(0, "T"))}), ApeTag(ApeItem("Artist", "ape"), false), "T",
         ""},
        {"lyrics3v2.mp3", {}, Join({Lyrics3V2("la la la"), tagV1}), "V1 title", "V1 artist"},
        {"lyrics3v1.mp3", {}, Join({Ascii("LYRICSBEGINla la laLYRICSEND"), tagV1}), "V1 title", "V1 artist"},
        {"two-id3v1.mp3", {}, Join({TagV1("Old", "Old"), tagV1}), "V1 title", "V1 artist"},
        // Every byte of Windows-1251 from 0x80 to 0xBF, and the letters, signs and controls the table adds.
        {"cp1251-upper-half.mp3",
         TagV2Block(3, {Frame("TIT2", Join({Bytes({0}), Range(0x80, 0x9F)})),
                        Frame("TPE1", Join({Bytes({0}), Range(0xA0, 0xBF)}))}),
         {},
         "DJGJ,GJ\"...++EUR%LJ<NJKJCDZDJ''\"\"*--TMLJ>NJKJCDZ",
         " UUJG|SYO(C)YE\"-(R)YI+-IIGu*YONYE\"JDZDZYI"},
        {"other-letters.mp3",
         TagV2Block(3, {Frame("TIT2",
                              Bytes({0, 0xDB, 0xFB, 0xDD, 0xFD, 0x01, 0x1F, 0x7F, 0xCC, 0xFB, 0xDA, 0xDC, 0xC9, 0xE6})),
                        Frame("TPE1", Text(3,
                                           "\xC3\xA9\xC5\x81\xC3\x9F\xC3\xA6\xC3\xB8 \xCE\xA7\xCF\x88 "
                                           "\xC2\xAB\xD0\xA5\xD0\xB8\xD1\x82\xC2\xBB \xE4\xB8\xAD"))}),
         {},
         "YYEEMYAYIZH",
         "eLssaeo CHPS \"HIT\" ?"},
    };
}

using CraftedTagTest = CTempFolderTest;

TEST_F(CraftedTagTest, EachTextIsTheOneReadersShowInPlainLatinAndNoOtherTagIsLeft) {
    const std::string audio = ReadFileBytes(fixtures::FixturePath("no-tag.mp3").string());
    const std::vector<CraftedSong> songs = CraftedSongs();
    CTagConverter converter;
    const auto convertAll = [&](CTagConverter::EOutcome outcome) {
        CTagConverter::CBatch batch(converter);
        for (const CraftedSong& song : songs) {
            batch.Convert(PathOf(song.name), song.name);
        }
        batch.Finish();
        EXPECT_EQ(batch.Count(outcome), songs.size());
    };
    for (const CraftedSong& song : songs) {
        WriteFileBytes(song.name, AsString(song.before) + audio + AsString(song.after));
    }
    convertAll(CTagConverter::EOutcome::Converted);

    for (const CraftedSong& song : songs) {
        SCOPED_TRACE(song.name);
        const fixtures::CTagProbe probe = fixtures::ProbeWithTagLib(PathOf(song.name));
        ASSERT_TRUE(probe.isValid);
        EXPECT_EQ(probe.frameIds, (std::vector<std::string>{"TIT2", "TPE1"}));
        EXPECT_FALSE(probe.hasTagV1);
        EXPECT_FALSE(probe.hasApeTag);
        EXPECT_EQ(probe.title, song.title);
        EXPECT_EQ(probe.artist, song.artist);
        const std::string written = ReadFileBytes(PathOf(song.name));
        EXPECT_TRUE(written == AsString(tags::RenderTagV2(song.title, song.artist)) + audio)
            << "the new tag and the audio, nothing else";
    }

    convertAll(CTagConverter::EOutcome::AlreadyConverted);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.ends_with(" (already in this form)"); }),
              static_cast<std::ptrdiff_t>(songs.size()));
}

}  // namespace
