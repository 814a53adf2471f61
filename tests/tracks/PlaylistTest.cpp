#include "Playlist.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class PlaylistTest : public ::testing::Test {
  protected:
    // Counts and stores like a load does; returns the numbers of cut entries.
    std::vector<std::int32_t> Store(const std::string& text) {
        const std::span<const char> data(text.data(), text.size());
        m_count = std::min(CountEntries(data), kMaxEntries);
        return StoreEntries(data, m_count, *m_table);
    }
    std::string Entry(std::size_t number) const { return (*m_table)[number - 1].data(); }

    std::unique_ptr<CEntryTable> m_table = std::make_unique<CEntryTable>();
    std::int32_t m_count = 0;
};

TEST_F(PlaylistTest, CommentsAndEmptyLinesAreNoEntries) {
    Store("#EXTM3U\r\n#EXTINF:123,Song\r\nC:\\a.mp3\r\n\r\nC:\\b#1.mp3\r\n");
    EXPECT_EQ(m_count, 2);
    EXPECT_EQ(Entry(1), "C:\\a.mp3");
    EXPECT_EQ(Entry(2), "C:\\b#1.mp3") << "a '#' later in a line is an ordinary byte";
    EXPECT_EQ(Entry(3), "");
}

TEST_F(PlaylistTest, AnyLineBreakEndsAnEntryAndTheLastNeedsNone) {
    Store("\n\n/a.mp3\r/b.mp3\n\r\n\r/c mp3 ");
    EXPECT_EQ(m_count, 3);
    EXPECT_EQ(Entry(1), "/a.mp3");
    EXPECT_EQ(Entry(2), "/b.mp3");
    EXPECT_EQ(Entry(3), "/c mp3 ") << "spaces belong to the path";
    Store("/only.mp3");
    EXPECT_EQ(m_count, 1);
    EXPECT_EQ(Entry(1), "/only.mp3");
}

}  // namespace
