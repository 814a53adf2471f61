#include "Transliterate.h"

#include "Bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using namespace tags;
using namespace tagtest;

// Stores each byte and transliterates it, the way a caller does, in a buffer with room for three letters each.
std::string TransliterateAll(const std::vector<char>& source) {
    std::vector<char> text(3 * source.size() + 1, '\0');
    std::int32_t position = 0;
    for (const char byte : source) {
        text[static_cast<std::size_t>(position)] = byte;
        position = Transliterate(text, position);
    }
    return {text.data(), static_cast<std::size_t>(position)};
}

// The examples of the table's description, and the bytes it leaves alone, rather than a copy of the table.
TEST(Transliterate, WordsComeOutInCapitalsAndOtherBytesStay) {
    EXPECT_EQ(TransliterateAll(Bytes({0xD9, 0xF3, 0xEA, 0xE0})), "SHTUKA");
    EXPECT_EQ(TransliterateAll(Bytes({0xE6, 0xC6})), "ZHZH");
    EXPECT_EQ(TransliterateAll(Bytes({0xC9, 0xC8, 0xDA, 0xDC, 0xF9})), "IIAYSHT");
    EXPECT_EQ(TransliterateAll(Bytes({0xDD, 0xF5, 0xEE})), AsString(Bytes({0xDD, 'H', 'O'})));
    EXPECT_EQ(TransliterateAll(Bytes({0xDB, 0xFB, 0xFD})), AsString(Bytes({0xDB, 0xFB, 0xFD}))) << "Ы, ы, э stay";
    EXPECT_EQ(TransliterateAll(Bytes({0x41, 0x42, 0x00, 0x43, 0x44})), "ABCD");
    EXPECT_EQ(TransliterateAll(Ascii("Rock 'n' roll")), "Rock 'n' roll");
    EXPECT_EQ(TransliterateAll(Bytes({0x01, 0x7F, 0xA8, 0xBF})), AsString(Bytes({0x01, 0x7F, 0xA8, 0xBF})));
}

TEST(Transliterate, NeverWritesOutsideTheText) {
    std::array<char, 6> buffer = {'#', '\xD9', '#', '#', '#', '#'};
    const std::span<char> text(buffer.data() + 1, 2);  // room for two letters only
    EXPECT_EQ(Transliterate(text, 0), 0);              // Щ does not fit: nothing written
    buffer[2] = '\xC6';                                // Ж at the last position: needs two, has one
    EXPECT_EQ(Transliterate(text, 1), 1);
    EXPECT_EQ(Transliterate(text, 2), 2);    // past the end
    EXPECT_EQ(Transliterate(text, -1), -1);  // before the start
    EXPECT_EQ(AsString({buffer.begin(), buffer.end()}), "#\xD9\xC6###");

    std::array<char, 3> exact = {'\xF9', '\0', '\0'};  // щ with exactly the room it needs
    EXPECT_EQ(Transliterate(exact, 0), 3);
    EXPECT_EQ(AsString({exact.begin(), exact.end()}), "SHT");
}

}  // namespace
