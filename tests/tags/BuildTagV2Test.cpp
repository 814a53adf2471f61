#include "BuildTagV2.h"

#include "ReadTagV2.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using namespace tags;
using namespace tagtest;

std::vector<char> Slice(const std::vector<char>& tag, std::size_t at) {
    return {tag.begin() + static_cast<std::ptrdiff_t>(at), tag.begin() + static_cast<std::ptrdiff_t>(at + 4)};
}

TEST(BuildTagV2, TitleAndArtistGiveTheExactBytes) {
    EXPECT_EQ(RenderTagV2("AB", "Z"), Bytes({0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x19, 0x54, 0x49,
                                             0x54, 0x32, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x41, 0x42, 0x54,
                                             0x50, 0x45, 0x31, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x5A}));
    // Empty texts still get both frames.
    EXPECT_EQ(RenderTagV2("", ""),
              Bytes({0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x54, 0x49, 0x54, 0x32, 0x00, 0x00,
                     0x00, 0x01, 0x00, 0x00, 0x00, 0x54, 0x50, 0x45, 0x31, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
}

TEST(BuildTagV2, TagSizeIsSynchsafeAndFrameSizesBigEndian) {
    const std::vector<char> tag = RenderTagV2(std::string(60, 'A'), std::string(50, 'B'));
    ASSERT_EQ(tag.size(), 142u);
    EXPECT_EQ(Slice(tag, 6), Bytes({0x00, 0x00, 0x01, 0x04}));  // 132
    // An overlong text is cut to what a tag text holds.
    const std::vector<char> cut = RenderTagV2(std::string(3000, 'A'), "");
    ASSERT_EQ(cut.size(), 32u + 2047u);
    EXPECT_EQ(Slice(cut, 6), Bytes({0x00, 0x00, 0x10, 0x15}));   // 2069
    EXPECT_EQ(Slice(cut, 14), Bytes({0x00, 0x00, 0x08, 0x00}));  // 2048
}

TEST(BuildTagV2, BuiltTagReadsBackToTheSameTextsAndBytes) {
    const std::vector<char> tag = RenderTagV2("PCHELA", "ZH");
    const Texts texts = ReadTexts(ReadTagV2Texts, tag);
    EXPECT_EQ(texts, Texts("PCHELA", "ZH"));
    EXPECT_EQ(RenderTagV2(texts.first, texts.second), tag);
}

}  // namespace
