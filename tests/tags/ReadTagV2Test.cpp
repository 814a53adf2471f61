#include "ReadTagV2.h"

#include "BuildTagV2.h"
#include "Bytes.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using tags::TagText;
using tags::TextOf;
using tagtest::Ascii;
using tagtest::Bytes;
using tagtest::FrameV22;
using tagtest::FrameV23;
using tagtest::FrameV24;
using tagtest::Join;
using tagtest::Repeat;
using tagtest::TagV2Block;

const std::vector<char> kPchela1251 = Bytes({0, 0xCF, 0xF7, 0xE5, 0xEB, 0xE0});

struct Texts {
    std::string title;
    std::string artist;
};

// Texts start filled, as a previous file would leave them.
Texts Read(const std::vector<char>& block) {
    TagText title;
    TagText artist;
    title.fill('#');
    artist.fill('#');
    tags::ReadTagV2(block, title, artist);
    return {std::string(TextOf(title)), std::string(TextOf(artist))};
}

TEST(ReadTagV2, Windows1251FramesGiveLatinCapitals) {
    const Texts texts = Read(TagV2Block(3, {FrameV23("TIT2", kPchela1251), FrameV23("TPE1", Bytes({0, 0xC6}))}));
    EXPECT_EQ(texts.title, "PCHELA");
    EXPECT_EQ(texts.artist, "ZH");
}

TEST(ReadTagV2, MissingFrameGivesAnEmptyText) {
    const Texts texts =
        Read(TagV2Block(3, {FrameV23("TIT2", kPchela1251), FrameV23("TALB", Ascii(std::string("\0X", 2)))}));
    EXPECT_EQ(texts.title, "PCHELA");
    EXPECT_EQ(texts.artist, "");
    EXPECT_EQ(Read({}).title, "");
}

TEST(ReadTagV2, FrameSizeCountsTheContentBytes) {
    // Size 00 00 00 90: the encoding byte and 143 letters; the bytes after them are not part of the title.
    const std::vector<char> frame = Join({Ascii("TIT2"), Bytes({0, 0, 0, 0x90, 0, 0, 0}), Repeat('A', 143)});
    EXPECT_EQ(Read(TagV2Block(3, {frame, Repeat('X', 5)})).title, std::string(143, 'A'));
}

TEST(ReadTagV2, Utf16AndUtf8FramesAreDecoded) {
    const Texts texts =
        Read(TagV2Block(3, {FrameV23("TIT2", Bytes({1, 0xFF, 0xFE, 'A', 0, 'B', 0})),
                            FrameV23("TPE1", Bytes({3, 0xD0, 0x9F, 0xD1, 0x87, 0xD0, 0xB5, 0xD0, 0xBB, 0xD0, 0xB0}))}));
    EXPECT_EQ(texts.title, "AB");
    EXPECT_EQ(texts.artist, "PCHELA");
}

TEST(ReadTagV2, LastOccurrenceDecides) {
    const Texts texts = Read(TagV2Block(
        3, {FrameV23("TIT2", Ascii(std::string("\0FIRST", 6))), FrameV23("TIT2", Ascii(std::string("\0SECOND", 7)))}));
    EXPECT_EQ(texts.title, "SECOND");
}

TEST(ReadTagV2, ArtistIdentifierInsideATitleIsTakenAsAnArtistFrame) {
    // The title's content holds a complete-looking frame: "TPE1", size 2, flags, content 00 'Q'.
    const std::vector<char> content = Join({Bytes({0, 'A'}), Ascii("TPE1"), Bytes({0, 0, 0, 2, 0, 0, 0, 'Q'})});
    const Texts texts = Read(TagV2Block(3, {FrameV23("TIT2", content)}));
    EXPECT_EQ(texts.title, "ATPE1\x02Q");
    EXPECT_EQ(texts.artist, "Q");
}

TEST(ReadTagV2, TextsAreNotTrimmed) {
    EXPECT_EQ(Read(TagV2Block(3, {FrameV23("TIT2", Ascii(std::string("\0AB ", 4)))})).title, "AB ");
}

TEST(ReadTagV2, Version4SizesAreSynchsafe) {
    // 200 content bytes: synchsafe 00 00 01 48, which read as plain big-endian would be 328.
    const std::vector<char> title = Join({Bytes({3}), Repeat('A', 199)});
    const Texts texts = Read(TagV2Block(4, {FrameV24("TIT2", title), FrameV24("TPE1", Bytes({3, 'Z'}))}));
    EXPECT_EQ(texts.title, std::string(199, 'A'));
    EXPECT_EQ(texts.artist, "Z");
}

TEST(ReadTagV2, Version3SizesArePlainBigEndian) {
    // Size 00 00 00 80 is 128 here; as a synchsafe number it would be 0.
    const std::vector<char> frame = Join({Ascii("TIT2"), Bytes({0, 0, 0, 0x80, 0, 0, 0}), Repeat('A', 127)});
    EXPECT_EQ(Read(TagV2Block(3, {frame})).title, std::string(127, 'A'));
}

TEST(ReadTagV2, Version2FramesAreRead) {
    const Texts texts = Read(TagV2Block(2, {FrameV22("TT2", kPchela1251), FrameV22("TP1", Bytes({0, 0xC6}))}));
    EXPECT_EQ(texts.title, "PCHELA");
    EXPECT_EQ(texts.artist, "ZH");
    // Four-letter identifiers mean nothing in a version 2 tag.
    EXPECT_EQ(Read(TagV2Block(2, {FrameV23("TIT2", kPchela1251)})).title, "");
}

TEST(ReadTagV2, FrameHeaderRunningPastTheBlockIsIgnored) {
    const std::vector<char> block =
        TagV2Block(3, {FrameV23("TIT2", Ascii(std::string("\0A", 2))), Ascii("TIT2"), Bytes({0, 0, 0, 1, 0})});
    EXPECT_EQ(Read(block).title, "A");
}

TEST(ReadTagV2, FrameContentRunningPastTheBlockIsCutAtItsEnd) {
    const std::vector<char> cut = Join({Ascii("TIT2"), Bytes({0, 0, 0, 0xFF, 0, 0, 0, 'A', 'B'})});
    EXPECT_EQ(Read(TagV2Block(3, {cut})).title, "AB");
    const std::vector<char> huge = Join({Ascii("TPE1"), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 'C'})});
    EXPECT_EQ(Read(TagV2Block(3, {huge})).artist, "C");
}

TEST(ReadTagV2, LongFrameIsCutAt2047LettersAndTerminated) {
    TagText title;
    TagText artist;
    title.fill('#');
    tags::ReadTagV2(TagV2Block(3, {FrameV23("TIT2", Join({Bytes({0}), Repeat(0xD9, 1000)}))}), title, artist);
    // 682 Щ give 2046 letters; the next would need three with one left.
    EXPECT_EQ(TextOf(title), tagtest::RepeatText("SHT", 682));
    EXPECT_EQ(title[2046], '\0');
}

TEST(ReadTagV2, BuiltTagReadsBackToTheSameTextsAndBytes) {
    const std::vector<char> tag = tags::BuildTagV2("PCHELA", "ZH");
    const Texts texts = Read(tag);
    EXPECT_EQ(texts.title, "PCHELA");
    EXPECT_EQ(texts.artist, "ZH");
    EXPECT_EQ(tags::BuildTagV2(texts.title, texts.artist), tag);
}

// Found while fuzzing: every occurrence used to be read (and its text decoded to the block's end), so a
// tag packed with title frames took time quadratic in its size; 256 KB took minutes under the sanitizers.
TEST(ReadTagV2, TagPackedWithTitleFramesIsReadInLinearTime) {
    const std::vector<char> frame = Join({Ascii("TIT2"), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 1, 3, 0xD0, 0x96})});
    std::vector<char> body;
    while (body.size() < 256 * 1024) {
        body.insert(body.end(), frame.begin(), frame.end());
    }
    const auto start = std::chrono::steady_clock::now();
    const Texts texts = Read(TagV2Block(3, {body}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(texts.title, "ZH");  // the last frame, UTF-8 Ж, still decides
}

}  // namespace
