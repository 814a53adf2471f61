#include "ReadTagV1.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using namespace tags;
using namespace tagtest;

// A 128-byte ID3v1 block; each field is padded with `pad` to its 30 bytes.
std::vector<char> TagV1(std::vector<char> title, std::vector<char> artist, char pad = ' ') {
    title.resize(30, pad);
    artist.resize(30, pad);
    return Join({Ascii("TAG"), title, artist, Repeat(0, 65)});
}

Texts Read(const std::vector<char>& block) {
    return ReadTexts(ReadTagV1Texts, block);
}

TEST(ReadTagV1, FieldsAreTransliteratedAndTrailingSpacesTrimmed) {
    EXPECT_EQ(Read(TagV1(Ascii("Song"), Ascii("A B"))), Texts("Song", "A B"));
    EXPECT_EQ(Read(TagV1({}, {})), Texts("", ""));
    EXPECT_EQ(Read(TagV1(Repeat(0xD9, 30), Bytes({0xCF, 0xF7, 0xE5, 0xEB, 0xE0}))),
              Texts(RepeatText("SHT", 30), "PCHELA"));
    // Bytes after a zero byte are kept, and spaces are trimmed after the text closes up.
    EXPECT_EQ(Read(TagV1(Bytes({'A', 0, 'B'}), Bytes({'A', ' ', 0, ' '}), '\0')), Texts("AB", "A"));
}

TEST(ReadTagV1, ShortBlockIsReadAsFarAsItGoes) {
    const std::vector<char> block = TagV1(Ascii("Title"), Ascii("Artist"));
    EXPECT_EQ(Read({block.begin(), block.begin() + 38}), Texts("Title", "Artis"));  // the artist's first 5 bytes
    EXPECT_EQ(Read(Ascii("TA")), Texts("", ""));
}

}  // namespace
