#include "Wildcard.h"

#include <gtest/gtest.h>

TEST(WildcardTest, MatchesLikeWindowsNameSearch) {
    EXPECT_TRUE(MatchesWildcard("*.mp3", "song.mp3"));
    EXPECT_TRUE(MatchesWildcard("*.mp3", "SONG.MP3"));
    EXPECT_TRUE(MatchesWildcard("*.mp3", ".mp3"));
    EXPECT_TRUE(MatchesWildcard("*.mp3", "a.b.mp3"));
    EXPECT_FALSE(MatchesWildcard("*.mp3", "song.mp3.kelvara-part"));
    EXPECT_FALSE(MatchesWildcard("*.mp3", "song.mp"));
    EXPECT_FALSE(MatchesWildcard("*.mp3", "song.wav"));
    EXPECT_TRUE(MatchesWildcard("*.*", "."));
    EXPECT_TRUE(MatchesWildcard("*.*", ".."));
    EXPECT_TRUE(MatchesWildcard("*.*", "README"));
    EXPECT_TRUE(MatchesWildcard("a?c", "ABC"));
    EXPECT_FALSE(MatchesWildcard("a?c", "ac"));
    EXPECT_TRUE(MatchesWildcard("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(MatchesWildcard("*a*b*", "xxbxxaxx"));
    EXPECT_TRUE(MatchesWildcard("**", ""));
}

TEST(WildcardTest, CaseFoldingTouchesOnlyAsciiLetters) {
    EXPECT_TRUE(EqualsIgnoringCase("Song.MP3", "sONG.mp3"));
    EXPECT_FALSE(EqualsIgnoringCase("song", "songs"));
    EXPECT_FALSE(EqualsIgnoringCase("[", "{")) << "'[' and '{' are 0x20 apart but are no letters";
    EXPECT_FALSE(EqualsIgnoringCase("\xC0", "\xE0"));
}
