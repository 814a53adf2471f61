#include "Cp1251.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using tags::CodePointToCp1251;
using tagtest::AsString;
using tagtest::Bytes;

// Пчела in Windows-1251.
const std::string kPchela = AsString(Bytes({0xCF, 0xF7, 0xE5, 0xEB, 0xE0}));

TEST(Cp1251, CyrillicAsciiAndTheRestOfTheCodePageMapToTheirBytes) {
    const std::vector<std::pair<char32_t, int>> pairs = {
        {U'A', 'A'},    {U'z', 'z'},    {U'~', '~'},    {0x0410, 0xC0}, {0x042F, 0xDF}, {0x0430, 0xE0},
        {0x044F, 0xFF}, {0x0401, 0xA8}, {0x0451, 0xB8}, {0x00AB, 0xAB}, {0x00BB, 0xBB}, {0x2014, 0x97},
        {0x2013, 0x96}, {0x2116, 0xB9}, {0x0490, 0xA5}, {0x0491, 0xB4}, {0x0406, 0xB2}, {0x0456, 0xB3},
        {0x0407, 0xAF}, {0x0457, 0xBF}, {0x0404, 0xAA}, {0x040E, 0xA1}, {0x045E, 0xA2}, {0x20AC, 0x88},
        {0x0402, 0x80}, {0x045F, 0x9F}, {0x00A0, 0xA0}, {0x00A9, 0xA9}, {0x2122, 0x99}, {0x201E, 0x84},
    };
    for (const auto& [codePoint, byte] : pairs) {
        EXPECT_EQ(CodePointToCp1251(codePoint), static_cast<char>(byte))
            << "U+" << std::hex << static_cast<std::uint32_t>(codePoint);
    }
}

TEST(Cp1251, LatinDiacriticsAreDroppedAndOtherCharactersBecomeQuestionMarks) {
    EXPECT_EQ(CodePointToCp1251(0x00E9), 'e');  // é
    EXPECT_EQ(CodePointToCp1251(0x00D1), 'N');  // Ñ
    EXPECT_EQ(CodePointToCp1251(0x00FC), 'u');  // ü
    EXPECT_EQ(CodePointToCp1251(0x00C6), '?');  // Æ
    EXPECT_EQ(CodePointToCp1251(0x00DF), '?');  // ß
    EXPECT_EQ(CodePointToCp1251(0x00D7), '?');  // ×
    EXPECT_EQ(CodePointToCp1251(0x4E2D), '?');  // 中
    EXPECT_EQ(CodePointToCp1251(0x1F600), '?');
    EXPECT_EQ(CodePointToCp1251(0x0098), '?');  // the code page's one gap
}

TEST(Cp1251, Utf16ByteOrderMarkDecidesAndLittleEndianIsTheDefault) {
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({0xFF, 0xFE, 'A', 0, 'B', 0})), "AB");
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({0xFE, 0xFF, 0, 'A', 0, 'B'})), "AB");
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({'A', 0, 'B', 0})), "AB");
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({0xFF, 0xFE, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30, 0x04})),
              kPchela);
    EXPECT_EQ(tags::Utf16BeToCp1251(Bytes({0x04, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30})), kPchela);
    EXPECT_EQ(tags::Utf16BeToCp1251(Bytes({0xFF, 0xFE, 'A', 0})), "A");
    EXPECT_EQ(tags::Utf16ToCp1251({}), "");
}

TEST(Cp1251, Utf16EndsAtZeroAndMarksMalformedUnits) {
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({'A', 0, 0, 0, 'B', 0})), "A");
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({0x3D, 0xD8, 0x00, 0xDE, 'A', 0})), "?A");  // U+1F600 as a pair
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({0x3D, 0xD8, 'A', 0})), "?A");              // lone high surrogate
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({0x00, 0xDE, 'A', 0})), "?A");              // lone low surrogate
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({'A', 0, 0x3D, 0xD8})), "A?");              // pair cut at the end
    EXPECT_EQ(tags::Utf16ToCp1251(Bytes({'A', 0, 'B'})), "A?");                     // odd byte left over
}

TEST(Cp1251, Utf8IsDecodedAndMalformedSequencesBecomeQuestionMarks) {
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xD0, 0x9F, 0xD1, 0x87, 0xD0, 0xB5, 0xD0, 0xBB, 0xD0, 0xB0})), kPchela);
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xEF, 0xBB, 0xBF, 'A'})), "A");  // byte-order mark dropped
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({'C', 'a', 'f', 0xC3, 0xA9})), "Cafe");
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xE2, 0x80, 0x94})), "\x97");  // em dash
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({'A', 0, 'B'})), "A");
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xF0, 0x9F, 0x98, 0x80, 'A'})), "?A");  // outside the code page
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xC3, 'A'})), "?A");                    // missing continuation
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xC0, 0xAF})), "??");                   // overlong
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xED, 0xA0, 0x80})), "???");            // encoded surrogate
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({0xFF, 'A'})), "?A");
    EXPECT_EQ(tags::Utf8ToCp1251Lossy(Bytes({'A', 0xE2, 0x82})), "A?");  // cut at the end
}

TEST(Cp1251, StrictUtf8RefusesInvalidNamesSoTheyCanBeUsedAsTheyStand) {
    EXPECT_EQ(tags::Utf8ToCp1251("track.mp3"), "track.mp3");
    EXPECT_EQ(tags::Utf8ToCp1251("\xD0\x9F\xD1\x87\xD0\xB5\xD0\xBB\xD0\xB0.mp3"), kPchela + ".mp3");
    EXPECT_EQ(tags::Utf8ToCp1251(kPchela + ".mp3"), std::nullopt);  // already Windows-1251
    EXPECT_EQ(tags::Utf8ToCp1251("A\xE2\x82"), std::nullopt);
    EXPECT_EQ(tags::Utf8ToCp1251(""), "");
}

}  // namespace
