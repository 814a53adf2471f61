#include "BuildTagV2.h"
#include "ReadTagV1.h"
#include "ReadTagV2.h"
#include "SplitFile.h"

#include "Bytes.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using tags::TagText;
using tags::TextOf;

// Random bytes salted with the markers the functions look for, so that damaged headers and frames are hit
// often; run under the sanitizers, any read outside a buffer fails the test.
std::vector<char> RandomFile(std::mt19937& random) {
    static const std::vector<std::string> kMarkers = {"ID3", "TAG", "TIT2", "TPE1", "TT2", "TP1"};
    std::uniform_int_distribution<std::size_t> length(0, 400);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<char> file(length(random));
    for (char& b : file) {
        b = static_cast<char>(byte(random));
    }
    for (int i = 0; i < 4 && !file.empty(); ++i) {
        const std::string& marker = kMarkers[static_cast<std::size_t>(byte(random)) % kMarkers.size()];
        const std::size_t at = i == 0 ? 0 : static_cast<std::size_t>(byte(random)) % file.size();
        for (std::size_t j = 0; j < marker.size() && at + j < file.size(); ++j) {
            file[at + j] = marker[j];
        }
    }
    return file;
}

TEST(Robustness, DamagedFilesKeepPiecesInsideTheFileAndTextsTerminated) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 20000; ++round) {
        const std::vector<char> file = RandomFile(random);
        const tags::FileSplit split = tags::SplitFile(file);
        ASSERT_EQ(split.tagV2Size + split.audioSize + split.tagV1Size, file.size());
        ASSERT_TRUE(split.tagV2Size == 0 || split.tagV2Size >= 10);
        ASSERT_TRUE(split.tagV1Size == 0 || split.tagV1Size == 128);

        TagText title;
        TagText artist;
        const std::span<const char> bytes(file);
        tags::ReadTagV2(bytes.first(split.tagV2Size), title, artist);
        tags::ReadTagV1(bytes.last(split.tagV1Size), title, artist);
        ASSERT_LE(TextOf(title).size(), tags::kMaxTextLength);
        ASSERT_LE(TextOf(artist).size(), tags::kMaxTextLength);
        const std::vector<char> tag = tags::BuildTagV2(TextOf(title), TextOf(artist));
        ASSERT_EQ(tag.size(), 32 + TextOf(title).size() + TextOf(artist).size());
    }
}

}  // namespace
