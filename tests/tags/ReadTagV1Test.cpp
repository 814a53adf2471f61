#include "ReadTagV1.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using tags::TagText;
using tags::TextOf;
using tagtest::Ascii;
using tagtest::Bytes;
using tagtest::Join;
using tagtest::Repeat;

// A 128-byte ID3v1 block; each field is padded with `pad` to its 30 bytes.
std::vector<char> TagV1(std::vector<char> title, std::vector<char> artist, char pad = ' ') {
    title.resize(30, pad);
    artist.resize(30, pad);
    return Join({Ascii("TAG"), title, artist, Repeat(0, 65)});
}

struct Texts {
    std::string title;
    std::string artist;
};

Texts Read(const std::vector<char>& block) {
    TagText title;
    TagText artist;
    title.fill('#');
    artist.fill('#');
    tags::ReadTagV1(block, title, artist);
    return {std::string(TextOf(title)), std::string(TextOf(artist))};
}

TEST(ReadTagV1, TrailingSpacesAreTrimmedAndAsciiKeepsItsCase) {
    const Texts texts = Read(TagV1(Ascii("Song"), Ascii("A B")));
    EXPECT_EQ(texts.title, "Song");
    EXPECT_EQ(texts.artist, "A B");
}

TEST(ReadTagV1, FieldOfSpacesGivesAnEmptyText) {
    const Texts texts = Read(TagV1({}, {}));
    EXPECT_EQ(texts.title, "");
    EXPECT_EQ(texts.artist, "");
}

TEST(ReadTagV1, BytesAfterAZeroByteAreKept) {
    EXPECT_EQ(Read(TagV1(Bytes({'A', 0, 'B'}), {}, '\0')).title, "AB");
    EXPECT_EQ(Read(TagV1(Bytes({'A', ' ', 0, ' '}), {}, '\0')).title, "A");
}

TEST(ReadTagV1, CyrillicFieldsAreTransliterated) {
    const Texts texts = Read(TagV1(Repeat(0xD9, 30), Bytes({0xCF, 0xF7, 0xE5, 0xEB, 0xE0})));
    EXPECT_EQ(texts.title, tagtest::RepeatText("SHT", 30));
    EXPECT_EQ(texts.artist, "PCHELA");
}

TEST(ReadTagV1, ShortBlockIsReadAsFarAsItGoes) {
    const std::vector<char> block = TagV1(Ascii("Title"), Ascii("Artist"));
    const Texts cut = Read({block.begin(), block.begin() + 38});  // the artist field's first 5 bytes
    EXPECT_EQ(cut.title, "Title");
    EXPECT_EQ(cut.artist, "Artis");
    const Texts tiny = Read(Ascii("TA"));
    EXPECT_EQ(tiny.title, "");
    EXPECT_EQ(tiny.artist, "");
}

}  // namespace
