#include "TagText.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using tags::CopyTransliterated;
using tags::TagText;
using tags::TextOf;
using tagtest::Bytes;
using tagtest::Repeat;
using tagtest::RepeatText;

TEST(TagText, CopyRewritesFromTheStartAndDropsZeroBytes) {
    TagText text{};
    CopyTransliterated(tagtest::Ascii("LONG OLD TEXT"), text);
    EXPECT_EQ(CopyTransliterated(Bytes({0xCF, 0x00, 0xF7, 'x'}), text), 4u);
    EXPECT_EQ(TextOf(text), "PCHx");
}

TEST(TagText, ThirtyShchasGiveNinetyLetters) {
    TagText text{};
    EXPECT_EQ(CopyTransliterated(Repeat(0xD9, 30), text), 90u);
    EXPECT_EQ(TextOf(text), RepeatText("SHT", 30));
}

TEST(TagText, LongTextIsCutWithoutSplittingALetter) {
    TagText text;
    text.fill('#');
    // 682 Щ fill 2046 bytes; the 683rd needs three more but only one is left before the terminator.
    EXPECT_EQ(CopyTransliterated(Repeat(0xD9, 700), text), 2046u);
    EXPECT_EQ(TextOf(text), RepeatText("SHT", 682));
    EXPECT_EQ(text[2046], '\0');

    std::vector<char> source = Repeat('A', 2046);
    source.push_back('\xC6');  // ZH: one byte short
    source.push_back('B');     // fits, but the text is already cut
    EXPECT_EQ(CopyTransliterated(source, text), 2046u);
    EXPECT_EQ(TextOf(text), std::string(2046, 'A'));
}

TEST(TagText, TextHoldsAtMost2047Letters) {
    TagText text;
    text.fill('#');
    EXPECT_EQ(CopyTransliterated(Repeat('A', 3000), text), 2047u);
    EXPECT_EQ(text[2047], '\0');
    EXPECT_EQ(TextOf(text).size(), 2047u);
}

TEST(TagText, UnterminatedTextIsViewedWithinItsArray) {
    TagText text;
    text.fill('A');
    EXPECT_EQ(TextOf(text).size(), tags::kTagTextSize);
}

}  // namespace
