#include "TagText.h"

#include "FrameText.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using namespace tags;
using namespace tagtest;

TEST(TagText, CopyRewritesTheTextFromTheStart) {
    TagText text{};
    CopyTransliterated(Ascii("LONG OLD TEXT"), text);
    EXPECT_EQ(CopyTransliterated(Bytes({0xCF, 0x00, 0xF7, 'x'}), text), 4u);
    EXPECT_EQ(TextOf(text), "PCHx");
    EXPECT_EQ(CopyTransliterated(Repeat(0xD9, 30), text), 90u);
    EXPECT_EQ(TextOf(text), RepeatText("SHT", 30));
}

TEST(TagText, LongTextIsCutAt2047LettersWithoutSplittingALetter) {
    TagText text;
    text.fill('#');
    EXPECT_EQ(CopyTransliterated(Repeat('A', 3000), text), 2047u);
    EXPECT_EQ(text[2047], '\0');
    EXPECT_EQ(TextOf(text), std::string(2047, 'A'));

    text.fill('#');
    // 682 Щ fill 2046 bytes; the 683rd needs three more but only one is left before the terminator.
    EXPECT_EQ(CopyTransliterated(Repeat(0xD9, 700), text), 2046u);
    EXPECT_EQ(TextOf(text), RepeatText("SHT", 682));

    std::vector<char> source = Repeat('A', 2046);
    source.push_back('\xC6');  // ZH: one byte short
    source.push_back('B');     // fits, but the text is already cut
    EXPECT_EQ(CopyTransliterated(source, text), 2046u);
    EXPECT_EQ(TextOf(text), std::string(2046, 'A'));

    text.fill('A');  // unterminated: viewed within its array
    EXPECT_EQ(TextOf(text).size(), kTagTextSize);
}

std::string FrameText(const std::vector<char>& content) {
    TagText text;
    text.fill('#');
    ReadFrameText(content, text);
    return std::string(TextOf(text));
}

TEST(FrameText, EncodingByteDecidesHowTheContentIsDecoded) {
    const std::vector<char> pchelaUtf16Be = Bytes({0x04, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30});
    const std::vector<std::pair<std::vector<char>, std::string>> cases = {
        {Bytes({1, 0xFF, 0xFE, 'A', 0, 'B', 0}), "AB"},  // decoded, not transliterated bytewise
        {Bytes({1, 0xFF, 0xFE, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30, 0x04}), "PCHELA"},
        {Join({Bytes({1, 0xFE, 0xFF}), pchelaUtf16Be}), "PCHELA"},
        {Join({Bytes({2}), pchelaUtf16Be}), "PCHELA"},
        {Bytes({3, 0xD0, 0x9F, 0xD1, 0x87, 0xD0, 0xB5, 0xD0, 0xBB, 0xD0, 0xB0}), "PCHELA"},
        {Bytes({0, 0xCF, 0xF7, 0xE5, 0xEB, 0xE0}), "PCHELA"},
        {Bytes({0, 'A', 0, 'B'}), "AB"},     // Windows-1251 bytes: zeros vanish
        {Bytes({7, 'A', 0xC6}), "\007AZH"},  // unknown encoding: every byte goes through
        {{}, ""},
        {Bytes({1}), ""},
    };
    for (const auto& [content, text] : cases) {
        EXPECT_EQ(FrameText(content), text) << testing::PrintToString(content);
    }
}

}  // namespace
