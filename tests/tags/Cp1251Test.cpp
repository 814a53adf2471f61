#include "Cp1251.h"

#include "Bytes.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace tags;
using namespace tagtest;

// Пчела in Windows-1251.
const std::string kPchela = AsString(Bytes({0xCF, 0xF7, 0xE5, 0xEB, 0xE0}));

TEST(Cp1251, CodePointsMapToTheirBytesOrToQuestionMarks) {
    const std::vector<std::pair<char32_t, int>> pairs =
        {
            {U'A', 'A'},    {0x0410, 0xC0}, {0x042F, 0xDF}, {0x0430, 0xE0}, {0x044F, 0xFF},
            {0x0401, 0xA8}, {0x0451, 0xB8}, {0x2014, 0x97}, {0x2116, 0xB9}, {0x0490, 0xA5},
            {0x00E9, 'e'},  {0x4E2D, '?'},  {0x0098, '?'},  // the code page's one gap
        };
    for (const auto& [codePoint, byte] : pairs) {
        EXPECT_EQ(CodePointToCp1251(codePoint), static_cast<char>(byte))
            << "U+" << std::hex << static_cast<std::uint32_t>(codePoint);
    }
}

TEST(Cp1251, DecodersFollowTheByteOrderEndAtZeroAndMarkMalformedInput) {
    using Decoder = std::string (*)(std::span<const char>);
    const Decoder utf16 = Utf16ToCp1251;
    const Decoder utf16Be = Utf16BeToCp1251;
    const Decoder utf8 = Utf8ToCp1251Lossy;
    const std::vector<std::tuple<Decoder, std::vector<char>, std::string>> cases = {
        {utf16, Bytes({0xFF, 0xFE, 'A', 0, 'B', 0}), "AB"},
        {utf16, Bytes({0xFE, 0xFF, 0, 'A', 0, 'B'}), "AB"},
        {utf16, Bytes({'A', 0, 'B', 0}), "AB"},  // little-endian without a mark
        {utf16, Bytes({0xFF, 0xFE, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30, 0x04}), kPchela},
        {utf16, Bytes({'A', 0, 0, 0, 'B', 0}), "A"},
        {utf16, Bytes({0x3D, 0xD8, 0x00, 0xDE, 'A', 0}), "?A"},  // U+1F600 as a pair
        {utf16, Bytes({0x3D, 0xD8, 'A', 0}), "?A"},              // lone high surrogate
        {utf16, Bytes({0x00, 0xDE, 'A', 0}), "?A"},              // lone low surrogate
        {utf16, Bytes({'A', 0, 0x3D, 0xD8}), "A?"},              // pair cut at the end
        {utf16, Bytes({'A', 0, 'B'}), "A?"},                     // odd byte left over
        {utf16Be, Bytes({0x04, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30}), kPchela},
        {utf16Be, Bytes({0xFF, 0xFE, 'A', 0}), "A"},
        {utf8, Bytes({0xD0, 0x9F, 0xD1, 0x87, 0xD0, 0xB5, 0xD0, 0xBB, 0xD0, 0xB0}), kPchela},
        {utf8, Bytes({0xEF, 0xBB, 0xBF, 'A'}), "A"},  // byte-order mark dropped
        {utf8, Bytes({'A', 0, 'B'}), "A"},
        {utf8, Bytes({0xF0, 0x9F, 0x98, 0x80, 'A'}), "?A"},  // outside the code page
        {utf8, Bytes({0xC3, 'A'}), "?A"},                    // missing continuation
        {utf8, Bytes({0xC0, 0xAF}), "??"},                   // overlong
        {utf8, Bytes({0xED, 0xA0, 0x80}), "???"},            // encoded surrogate
        {utf8, Bytes({0xFF, 'A'}), "?A"},
        {utf8, Bytes({'A', 0xE2, 0x82}), "A?"},  // cut at the end
    };
    for (const auto& [decode, bytes, text] : cases) {
        EXPECT_EQ(decode(bytes), text) << testing::PrintToString(bytes);
    }
}

TEST(Cp1251, StrictUtf8RefusesInvalidNamesSoTheyCanBeUsedAsTheyStand) {
    EXPECT_EQ(Utf8ToCp1251("\xD0\x9F\xD1\x87\xD0\xB5\xD0\xBB\xD0\xB0.mp3"), kPchela + ".mp3");
    EXPECT_EQ(Utf8ToCp1251(kPchela + ".mp3"), std::nullopt);  // already Windows-1251
    EXPECT_EQ(Utf8ToCp1251("A\xE2\x82"), std::nullopt);
    EXPECT_EQ(Utf8ToCp1251(""), "");
}

}  // namespace
