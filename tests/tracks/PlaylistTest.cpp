#include "Playlist.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(PlaylistTest, CommentsAndEmptyLinesAreNoEntriesWhateverTheLineBreaks) {
    const auto table = std::make_unique<CEntryTable>();
    const std::string text = "#EXTM3U\r\n#EXTINF:123,Song\r\nC:\\a.mp3\r\n\r\nC:\\b#1.mp3\n\n\r/c mp3 ";
    const std::span<const char> data(text.data(), text.size());
    const std::int32_t count = CountEntries(data);
    ASSERT_EQ(count, 3);
    EXPECT_TRUE(StoreEntries(data, count, *table).empty());
    EXPECT_STREQ((*table)[0].data(), "C:\\a.mp3");
    EXPECT_STREQ((*table)[1].data(), "C:\\b#1.mp3") << "a '#' later in a line is an ordinary byte";
    EXPECT_STREQ((*table)[2].data(), "/c mp3 ") << "the last line needs no break; spaces belong to the path";
    EXPECT_STREQ((*table)[3].data(), "");
}

}  // namespace
