#include "FrameText.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using tags::TagText;
using tags::TextOf;
using tagtest::Bytes;
using tagtest::Join;

std::string FrameText(const std::vector<char>& content) {
    TagText text;
    text.fill('#');
    tags::ReadFrameText(content, text);
    return std::string(TextOf(text));
}

const std::vector<char> kPchelaUtf16Le = Bytes({0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30, 0x04});
const std::vector<char> kPchelaUtf16Be = Bytes({0x04, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30});
const std::vector<char> kPchelaUtf8 = Bytes({0xD0, 0x9F, 0xD1, 0x87, 0xD0, 0xB5, 0xD0, 0xBB, 0xD0, 0xB0});

TEST(FrameText, Utf16FrameIsDecodedNotTransliteratedBytewise) {
    EXPECT_EQ(FrameText(Bytes({1, 0xFF, 0xFE, 'A', 0, 'B', 0})), "AB");
    EXPECT_EQ(FrameText(Join({Bytes({1, 0xFF, 0xFE}), kPchelaUtf16Le})), "PCHELA");
    EXPECT_EQ(FrameText(Join({Bytes({1, 0xFE, 0xFF}), kPchelaUtf16Be})), "PCHELA");
    EXPECT_EQ(FrameText(Join({Bytes({2}), kPchelaUtf16Be})), "PCHELA");
}

TEST(FrameText, Utf8FrameIsDecodedThenTransliterated) {
    EXPECT_EQ(FrameText(Join({Bytes({3}), kPchelaUtf8})), "PCHELA");
    // Ёлка: Ё is a code-page letter the transliteration leaves unchanged.
    EXPECT_EQ(FrameText(Bytes({3, 0xD0, 0x81, 0xD0, 0xBB, 0xD0, 0xBA, 0xD0, 0xB0})), "\xA8LKA");
    EXPECT_EQ(FrameText(Bytes({3, 'A', 0, 'B'})), "A");  // a terminating zero ends the text
}

TEST(FrameText, Latin1FrameIsReadAsWindows1251BytesAndZerosVanish) {
    EXPECT_EQ(FrameText(Bytes({0, 0xCF, 0xF7, 0xE5, 0xEB, 0xE0})), "PCHELA");
    EXPECT_EQ(FrameText(Bytes({0, 'A', 0, 'B'})), "AB");
    EXPECT_EQ(FrameText(tagtest::Ascii(std::string("\0PCHELA", 7))), "PCHELA");
}

TEST(FrameText, UnknownEncodingPassesEveryByteThroughTheTransliteration) {
    EXPECT_EQ(FrameText(Bytes({7, 'A', 0xC6})),
              "\x07"
              "AZH");
}

TEST(FrameText, EmptyContentGivesAnEmptyText) {
    EXPECT_EQ(FrameText({}), "");
    EXPECT_EQ(FrameText(Bytes({1})), "");
}

}  // namespace
