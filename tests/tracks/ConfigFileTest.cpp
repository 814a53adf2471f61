#include "ConfigFile.h"

#include <gtest/gtest.h>

namespace {

CConfig Parse(const std::string& text) {
    return ParseConfig(std::span<const char>(text.data(), text.size()));
}

TEST(ConfigFileTest, TakesTheFirstTwoLinesWhateverTheLineBreaks) {
    for (const char* text : {"D:\\out\r\nD:\\list.m3u\r\n", "D:\\out\nD:\\list.m3u\n", "D:\\out\rD:\\list.m3u\r",
                             "\r\n\r\n\nD:\\out\r\n\r\nD:\\list.m3u\r\nignored\r\n", "D:\\out\nD:\\list.m3u"}) {
        const CConfig config = Parse(text);
        EXPECT_EQ(config.strOutDir, "D:\\out") << text;
        EXPECT_EQ(config.strPlaylist, "D:\\list.m3u") << text;
    }
}

TEST(ConfigFileTest, KeepsEveryByteOfAField) {
    const CConfig config = Parse("   \n\tmy list.m3u \r\nthird");
    EXPECT_EQ(config.strOutDir, "   ") << "a line of spaces is not blank";
    EXPECT_EQ(config.strPlaylist, "\tmy list.m3u ");
}

TEST(ConfigFileTest, MissingFieldsStayEmpty) {
    EXPECT_EQ(Parse("").strOutDir, "");
    const CConfig oneLine = Parse("out\r\n");
    EXPECT_EQ(oneLine.strOutDir, "out");
    EXPECT_EQ(oneLine.strPlaylist, "");
}

TEST(ConfigFileTest, ByteOrderMarkIsNoPartOfTheOutFolder) {
    const CConfig config = Parse("\xEF\xBB\xBFout\nlist.m3u\n");
    EXPECT_EQ(config.strOutDir, "out");
    EXPECT_EQ(config.strPlaylist, "list.m3u");
}

}  // namespace
