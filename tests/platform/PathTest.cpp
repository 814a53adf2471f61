#include "Path.h"

#include <gtest/gtest.h>

TEST(PathTest, JoinsWithThePlatformSeparator) {
    EXPECT_EQ(JoinPath("out", "a.mp3"), std::string("out") + kPathSeparator + "a.mp3");
    EXPECT_EQ(JoinPath("", "*.mp3"), std::string(1, kPathSeparator) + "*.mp3");
}

TEST(PathTest, RelativeEntriesResolveBesideTheirList) {
    const std::string sep(1, kPathSeparator);
    const std::string list = "music" + sep + "lists" + sep + "my.m3u";
    EXPECT_EQ(ResolveAgainst(list, "a.mp3"), "music" + sep + "lists" + sep + "a.mp3");
    EXPECT_EQ(ResolveAgainst(list, ".." + sep + "b.mp3"), "music" + sep + "lists" + sep + ".." + sep + "b.mp3");
    EXPECT_EQ(ResolveAgainst("my.m3u", "a.mp3"), "a.mp3") << "a list in the working folder";
    const std::string absolute = sep + "srv" + sep + "a.mp3";
    EXPECT_TRUE(IsAbsolutePath(absolute));
    EXPECT_EQ(ResolveAgainst(list, absolute), absolute);
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_EQ(FolderPrefix(sep + "x.m3u"), sep);
}
