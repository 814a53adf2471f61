#include "Cp1251.h"
#include "TagText.h"

#include "Bytes.h"

#include <gtest/gtest.h>

// The fixtures, read by TagLib, show the common texts in every encoding; these are the cases no fixture has.

namespace {

using namespace tags;
using namespace tagtest;

// `source` copied through the transliteration into a text an earlier one left full of '#'.
std::string Latin(const std::vector<char>& source) {
    TagText text;
    text.fill('#');
    const std::size_t length = CopyTransliterated(source, text);
    EXPECT_EQ(length, TextOf(text).size()) << "the length returned";
    return std::string(TextOf(text));
}

TEST(TagText, LongTextIsCutAt2047LettersWithoutSplittingALetter) {
    EXPECT_EQ(Latin(Join({Repeat('A', 2044), Bytes({0xD9, 'B'})})), std::string(2044, 'A') + "SHT") << "just fits";
    // 682 Щ fill 2046 bytes; the 683rd needs three more but only one is left before the terminator.
    EXPECT_EQ(Latin(Repeat(0xD9, 700)).size(), 2046u);
    // Ж needs two with one left; the B after it would fit, but the text is already cut.
    EXPECT_EQ(Latin(Join({Repeat('A', 2046), Bytes({0xC6, 'B'})})), std::string(2046, 'A'));

    TagText unterminated;
    unterminated.fill('A');  // viewed within its array
    EXPECT_EQ(TextOf(unterminated).size(), kTagTextSize);
}

TEST(Cp1251, CodePointsMapToTheirBytesOrPlainLatinOrQuestionMarks) {
    // 0x98 is the code page's one gap.
    const std::vector<std::pair<char32_t, std::string>> pairs = {
        {0x0410, "\xC0"}, {0x044F, "\xFF"}, {0x0401, "\xA8"}, {0x2014, "\x97"}, {0x2116, "\xB9"}, {0x0490, "\xA5"},
        {0x0152, "OE"},   {0x03AC, "A"},    {0x03C2, "S"},    {0x00D7, "?"},    {0x0098, "?"},
    };
    for (const auto& [codePoint, text] : pairs) {
        std::string out;
        AppendCp1251(codePoint, out);
        EXPECT_EQ(out, text) << "U+" << std::hex << static_cast<std::uint32_t>(codePoint);
    }
}

TEST(Cp1251, DecodersFollowTheByteOrderKeepZerosAndMarkMalformedInput) {
    using Decoder = std::string (*)(std::span<const char>);
    const Decoder utf16 = Utf16ToCp1251;
    const Decoder utf8 = Utf8ToCp1251Lossy;
    const std::vector<std::tuple<Decoder, std::vector<char>, std::string>> cases = {
        {utf16, Bytes({'A', 0, 'B', 0}), "AB"},  // little-endian without a mark
        {utf16, Bytes({'A', 0, 0, 0, 'B', 0}), std::string("A\0B", 3)},
        {utf16, Bytes({0xFE, 0xFF, 0, 'A', 0, 0, 0xFF, 0xFE, 'B', 0, 0, 0, 'C', 0}), std::string("A\0B\0C", 5)},
        {utf16, Bytes({0x3D, 0xD8, 0x00, 0xDE, 'A', 0}), "?A"},  // U+1F600 as a pair
        {utf16, Bytes({0x3D, 0xD8, 'A', 0}), "?A"},              // lone high surrogate
        {utf16, Bytes({0x00, 0xDE, 'A', 0}), "?A"},              // lone low surrogate
        {utf16, Bytes({'A', 0, 0x3D, 0xD8}), "A?"},              // pair cut at the end
        {utf16, Bytes({'A', 0, 'B'}), "A?"},                     // odd byte left over
        {Utf16BeToCp1251, Bytes({0xFF, 0xFE, 'A', 0}), "A"},     // a mark still decides
        {utf8, Bytes({0xEF, 0xBB, 0xBF, 'A'}), "A"},             // byte-order mark dropped
        {utf8, Bytes({'A', 0, 'B'}), std::string("A\0B", 3)},
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
    // File names must be valid: one that is not is used as it stands.
    EXPECT_EQ(Utf8ToCp1251("A\xE2\x82"), std::nullopt);
    EXPECT_EQ(Utf8ToCp1251(""), "");
    EXPECT_EQ(Utf8ToCp1251(std::string_view("A\0B", 3)), "A");
}

}  // namespace
