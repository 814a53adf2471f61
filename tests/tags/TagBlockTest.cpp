#include "Cp1251.h"
#include "ReadTagV1.h"
#include "ReadTagV2.h"
#include "SplitFile.h"
#include "TagText.h"

#include "Bytes.h"
#include "TagInvariants.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <tuple>

// The fixtures, read by TagLib, show the usual blocks of every version and the common texts in every encoding;
// these are the cases no fixture has.

namespace {

using namespace tags;
using namespace tagcheck;  // Read, as the fuzzer reads
using namespace tagtest;

// Sizes of the first ID3v2 block, where the audio starts and its size, and the size of the ID3v1 block.
using Pieces = std::tuple<std::size_t, std::size_t, std::size_t, std::size_t>;

TEST(SplitFile, PiecesStayWithinTheFileAndTheHeadersThatAnnounceThem) {
    const std::vector<char> tagV1 = Join({Ascii("TAG"), Repeat(' ', 125)});
    const std::vector<char> audio = Repeat(0x55, 50);
    const std::vector<char> huge = Join({Ascii("ID3"), Bytes({3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F})});
    const std::vector<char> small = TagV2Block(3, {Repeat(0, 20)});  // 30 bytes
    const std::vector<char> ape = ApeTag(ApeItem("Title", "aa"), true);
    const std::vector<char> lyrics = Lyrics3V2("la la");
    const std::vector<std::pair<std::vector<char>, Pieces>> cases = {
        // The top bit of each size byte is not part of the number.
        {Join({Ascii("ID3"), Bytes({3, 0, 0, 0x80, 0x80, 0x82, 0x81}), Repeat(0, 257), audio}), {267, 267, 50, 0}},
        // Version 3 defines no footer flag, so the bit is not trusted there.
        {Join({TagV2Block(3, {Repeat(0, 20)}, 0x10), audio}), {30, 30, 50, 0}},
        // An ID3v1 block is only the last 128 bytes, and never overlaps the ID3v2 header.
        {tagV1, {0, 0, 0, 128}},
        {Join({Ascii("TAG"), Repeat(0x55, 297)}), {0, 0, 300, 0}},
        {Join({tagV1, Repeat(0x55, 1)}), {0, 0, 129, 0}},
        {Join({Ascii("ID3TAG"), Bytes({0, 0, 0, 0}), Repeat(0x55, 121)}), {10, 10, 121, 0}},
        {Join({TagV2Block(3, {}), tagV1}), {10, 10, 0, 128}},
        {Join({TagV2Block(3, {Frame("TIT2", Join({Bytes({0}), tagV1}))}), Repeat(0x55, 20)}), {149, 149, 20, 0}},
        // Files too short for what their first bytes promise.
        {{}, {0, 0, 0, 0}},
        {Join({Ascii("TAG"), Repeat(' ', 124)}), {0, 0, 127, 0}},
        {Bytes({'I', 'D', '3', 3, 0, 0, 0, 0, 0}), {0, 0, 9, 0}},
        {TagV2Block(3, {}), {10, 10, 0, 0}},
        // A size larger than the file is cut to what it holds, leaving an ID3v1 block at the end alone.
        {Join({huge, Repeat(0x55, 90)}), {100, 100, 0, 0}},
        {Join({huge, Repeat(0x55, 162), tagV1}), {172, 172, 0, 128}},
        // Only whole structures whose sizes fit count; anything else stays audio.
        {Join({small, Ascii("ID3"), Bytes({3, 0, 0, 0, 0, 0x80, 0}), audio}), {30, 30, 60, 0}},
        {Join({small, Ascii("ID3"), Bytes({3, 0, 0, 0, 0, 1, 0}), audio}), {30, 30, 60, 0}},  // runs past the end
        {Join({Repeat(0x55, 10), std::vector<char>(ape.begin() + 32, ape.end())}), {0, 0, 10 + ape.size() - 32, 0}},
        {Join({Repeat(0x55, 10), std::vector<char>(lyrics.begin() + 1, lyrics.end())}),
         {0, 0, 10 + lyrics.size() - 1, 0}},
        {Join({audio, Ascii("LYRICSEND"), tagV1}), {0, 0, 59, 128}},
        {Join({audio, tagV1, Repeat(0x55, 1), tagV1}), {0, 0, 179, 128}},
    };
    for (const auto& [file, pieces] : cases) {
        const FileSplit split = SplitPieces(file);
        EXPECT_EQ(Pieces(split.tagV2Size, split.audioOffset, split.audioSize, split.tagV1Size), pieces)
            << testing::PrintToString(AsString(file));
    }
}

TEST(ReadTagV1, FieldsEndAtTheirFirstZeroOrAsFarAsTheBlockGoes) {
    // The title's 30th byte is Щ; spaces before a zero are trimmed, and what follows the zero is junk.
    EXPECT_EQ(Read(ReadTagV1Texts, TagV1(Join({Repeat('A', 29), Bytes({0xD9})}), Bytes({'A', ' ', 0, 'B', 1}), '\0')),
              Texts(std::string(29, 'A') + "SHT", "A"));
    EXPECT_EQ(Read(ReadTagV1Texts, TagV1({}, {})), Texts("", ""));
    const std::vector<char> block = TagV1(Ascii("Title"), Ascii("Artist"));
    EXPECT_EQ(Read(ReadTagV1Texts, {block.begin(), block.begin() + 38}), Texts("Title", "Artis"));
}

TEST(ReadTagV2, FramesAreWalkedAsTheirHeadersAndFlagsSayAndTheLaterDecides) {
    const std::vector<char> yA = Bytes({1, 0xFF, 0xFE, 0xFF, 0, 'A', 0});    // UTF-16 ÿA: an FF 00 of the text itself
    const std::vector<char> ab = Bytes({1, 0xFF, 0, 0xFE, 'A', 0, 'B', 0});  // UTF-16 AB, unsynchronised
    const std::vector<char> title = Join({Bytes({3}), Ascii("title")});
    // zlib's stream of that frame content, as a compressed frame holds it
    const std::vector<char> packed =
        Bytes({0x78, 0x9C, 0x63, 0x2E, 0xC9, 0x2C, 0xC9, 0x49, 0x05, 0x00, 0x06, 0x99, 0x02, 0x26});
    const std::vector<std::pair<std::vector<char>, Texts>> cases = {
        // Texts are not trimmed, and a missing frame leaves its text empty.
        {TagV2Block(3, {Frame("TPE1", Bytes({0, 0xC6, ' '}))}), {"", "ZH "}},
        {TagV2Block(3, {Frame("TIT2", Bytes({0, 'A'})), Frame("TIT2", Bytes({0, 'B'}))}), {"B", ""}},
        {TagV2Block(2, {Join({Ascii("TT2"), Bytes({0, 0, 2, 0, 'A'})})}, 0x40), {"", ""}},  // a compressed v2.2 tag
        // The encoding byte: UTF-16BE; one no version defines; none at all.
        {TagV2Block(3, {Frame("TIT2", Bytes({2, 0x04, 0x1F, 0x04, 0x47, 0x04, 0x35, 0x04, 0x3B, 0x04, 0x30})),
                        Frame("TPE1", Bytes({4, 'A', 0xC6}))}),
         {"PCHELA", ""}},
        {TagV2Block(3, {Frame("TIT2", {}), Frame("TPE1", Bytes({1}))}), {"", ""}},
        // Version 4 restores flagged frames, or every frame when the header says so; other bytes are read as stored.
        {TagV2Block(4, {Frame("TPE1", yA, 4)}), {"", "yA"}},
        {TagV2Block(4, {Frame("TIT2", ab, 4), Frame("TPE1", Bytes({1, 0xFF, 0, 0xFE, 0x2F, 0x04}), 4)}, 0x80),
         {"AB", "YA"}},
        {TagV2Block(3, {Frame("TIT2", yA)}), {"yA", ""}},
        // A group byte before a data length or the compressed size (encryption: see the conversion test); an
        // extended header before the frames.
        {TagV2Block(4, {Frame("TIT2", Join({Bytes({7}), BigEndian(6, 4, 7), packed}), 4, 0x49)}), {"title", ""}},
        {TagV2Block(3, {Frame("TIT2", Join({BigEndian(6, 4), Bytes({7}), packed}), 3, 0xA0)}), {"title", ""}},
        {TagV2Block(3, {Bytes({0, 0, 0, 6, 0, 0, 0, 0, 0, 0}), Frame("TIT2", title)}, 0x40), {"title", ""}},
        {TagV2Block(4, {Bytes({0, 0, 0, 6, 1, 0}), Frame("TIT2", title, 4)}, 0x40), {"title", ""}},
        // The walk ends at padding, and at a frame whose header or size cannot be right.
        {TagV2Block(3, {Frame("TIT2", Bytes({0, 'A'})), Repeat(0, 10), Frame("TPE1", Bytes({0, 'B'}))}), {"A", ""}},
        {TagV2Block(3, {Frame("TIT2", Bytes({0, 'A'})), Ascii("TIT2"), Bytes({0, 0, 0, 1, 0})}), {"A", ""}},
        {TagV2Block(3, {Ascii("TIT2"), Bytes({0, 0, 0, 0xFF, 0, 0, 0, 'A', 'B'})}), {"", ""}},
        {TagV2Block(3, {Frame("tit2", Bytes({0, 'A'})), Frame("TPE1", Bytes({0, 'B'}))}), {"", ""}},
        {TagV2Block(4, {Ascii("TIT2"), Bytes({0, 0, 0, 0x82, 0, 0, 0, 'A'})}), {"", ""}},  // not synchsafe
        // v2.4 with plain sizes, as iTunes wrote it: 00 00 00 C8 is no synchsafe number, 00 00 01 00 would be 128.
        {TagV2Block(4,
                    {Frame("COMM", Repeat('x', 200)), Frame("TIT2", Bytes({0, 'A'})), Frame("TPE1", Bytes({0, 'B'}))}),
         {"A", "B"}},
        {TagV2Block(4, {Frame("COMM", Repeat('x', 256)), Frame("TIT2", Bytes({0, 'A'})), Repeat(0, 20)}), {"A", ""}},
    };
    for (const auto& [block, texts] : cases) {
        EXPECT_EQ(Read(kReadTagV2Block, block), texts) << testing::PrintToString(AsString(block));
    }
}

// `source` copied through the transliteration into a text an earlier one left full of '#'.
std::string Latin(const std::vector<char>& source) {
    TagText text;
    text.fill('#');
    CopyTransliterated(source, text);
    return std::string(TextOf(text));
}

TEST(TagText, LongTextIsCutAt2047LettersWithoutSplittingALetter) {
    EXPECT_EQ(Latin(Join({Repeat('A', 2044), Bytes({0xD9, 'B'})})), std::string(2044, 'A') + "SHT") << "just fits";
    // 682 Щ fill 2046 bytes; the 683rd needs three more but only one is left before the terminator.
    EXPECT_EQ(Latin(Repeat(0xD9, 700)).size(), 2046u);
    // Ж needs two with one left; the B after it would fit, but the text is already cut.
    EXPECT_EQ(Latin(Join({Repeat('A', 2046), Bytes({0xC6, 'B'})})), std::string(2046, 'A'));
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

// The fuzzer's seeds and every input it ever failed on, replayed through the same checks in the regular suite.
TEST(FuzzRegression, KeptInputsKeepEveryTagInvariant) {
    const auto files = FilesIn({KELVARA_ROOT "/fuzz/corpus", KELVARA_ROOT "/fuzz/regressions"});
    EXPECT_GE(files.size(), 11u);  // ten seeds and one finding at least: a missing folder must not pass silently
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(FindBrokenInvariant(bytes), std::nullopt) << path;
    }
}

}  // namespace
