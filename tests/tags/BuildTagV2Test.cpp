#include "BuildTagV2.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using tags::BuildTagV2;
using tagtest::Bytes;

TEST(BuildTagV2, TitleAndArtistGiveTheExactBytes) {
    EXPECT_EQ(BuildTagV2("AB", "Z"), Bytes({0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x19, 0x54, 0x49,
                                            0x54, 0x32, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x41, 0x42, 0x54,
                                            0x50, 0x45, 0x31, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x5A}));
}

TEST(BuildTagV2, EmptyTextsStillGetBothFrames) {
    EXPECT_EQ(BuildTagV2("", ""),
              Bytes({0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x54, 0x49, 0x54, 0x32, 0x00, 0x00,
                     0x00, 0x01, 0x00, 0x00, 0x00, 0x54, 0x50, 0x45, 0x31, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
}

TEST(BuildTagV2, TagSizeIsWrittenSynchsafe) {
    const std::vector<char> tag = BuildTagV2(std::string(60, 'A'), std::string(50, 'B'));
    ASSERT_EQ(tag.size(), 142u);
    EXPECT_EQ(std::vector<char>(tag.begin() + 6, tag.begin() + 10), Bytes({0x00, 0x00, 0x01, 0x04}));   // 132
    EXPECT_EQ(std::vector<char>(tag.begin() + 14, tag.begin() + 18), Bytes({0x00, 0x00, 0x00, 0x3D}));  // 61
    EXPECT_EQ(std::vector<char>(tag.begin() + 85, tag.begin() + 89), Bytes({0x00, 0x00, 0x00, 0x33}));  // 51
}

TEST(BuildTagV2, OverlongTextIsCutToWhatATagTextHolds) {
    const std::vector<char> tag = BuildTagV2(std::string(3000, 'A'), "");
    ASSERT_EQ(tag.size(), 32u + 2047u);
    EXPECT_EQ(std::vector<char>(tag.begin() + 6, tag.begin() + 10), Bytes({0x00, 0x00, 0x10, 0x15}));   // 2069
    EXPECT_EQ(std::vector<char>(tag.begin() + 14, tag.begin() + 18), Bytes({0x00, 0x00, 0x08, 0x00}));  // 2048
}

}  // namespace
