#include "SplitFile.h"

#include "Bytes.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace tags;
using namespace tagtest;

// Sizes of the ID3v2 block, the audio and the ID3v1 block.
using Pieces = std::tuple<std::size_t, std::size_t, std::size_t>;

Pieces Split(const std::vector<char>& file) {
    const FileSplit split = SplitPieces(file);
    EXPECT_EQ(split.tagV2Size + split.audioSize + split.tagV1Size, file.size());
    return {split.tagV2Size, split.audioSize, split.tagV1Size};
}

const std::vector<char> kTagV1 = Join({Ascii("TAG"), Repeat(' ', 125)});
const std::vector<char> kAudio = Repeat(0x55, 50);

TEST(SplitFile, TagV2LengthIsTheSynchsafeSizeAndAVersion4Footer) {
    EXPECT_EQ(Split(Join({Ascii("ID3"), Bytes({3, 0, 0, 0x00, 0x00, 0x02, 0x01}), Repeat(0, 257), kAudio})),
              (Pieces{267, 50, 0}));
    // The top bit of each size byte is not part of the number.
    EXPECT_EQ(Split(Join({Ascii("ID3"), Bytes({3, 0, 0, 0x80, 0x80, 0x82, 0x81}), Repeat(0, 257), kAudio})),
              (Pieces{267, 50, 0}));
    EXPECT_EQ(Split(Join({TagV2Header(4, 20, 0x10), Repeat(0, 30), kAudio})), (Pieces{40, 50, 0}));
    EXPECT_EQ(Split(Join({TagV2Header(4, 20, 0x00), Repeat(0, 20), kAudio})), (Pieces{30, 50, 0}));
    // Version 3 defines no footer flag, so the bit is not trusted there.
    EXPECT_EQ(Split(Join({TagV2Header(3, 20, 0x10), Repeat(0, 20), kAudio})), (Pieces{30, 50, 0}));
}

TEST(SplitFile, TagV1IsOnlyTheLast128BytesAndNeverOverlapsTheTagV2Header) {
    EXPECT_EQ(Split(Join({Repeat(0x55, 172), kTagV1})), (Pieces{0, 172, 128}));
    EXPECT_EQ(Split(kTagV1), (Pieces{0, 0, 128}));
    EXPECT_EQ(Split(Join({Ascii("TAG"), Repeat(0x55, 297)})), (Pieces{0, 300, 0}));
    EXPECT_EQ(Split(Join({kTagV1, Repeat(0x55, 1)})), (Pieces{0, 129, 0}));
    EXPECT_EQ(Split(Join({TagV2Header(3, 20), Repeat(0, 20), Repeat(0x55, 40), kTagV1})), (Pieces{30, 40, 128}));
    // "TAG" 128 bytes from the end falls inside the 10-byte header here.
    EXPECT_EQ(Split(Join({Ascii("ID3TAG"), Bytes({0, 0, 0, 0}), Repeat(0x55, 121)})), (Pieces{10, 121, 0}));
    EXPECT_EQ(Split(Join({TagV2Header(3, 0), kTagV1})), (Pieces{10, 0, 128}));
}

TEST(SplitFile, ShortAndCutFilesAreSplitWithinTheirBytes) {
    EXPECT_EQ(Split({}), (Pieces{0, 0, 0}));
    EXPECT_EQ(Split(Join({Ascii("TAG"), Repeat(' ', 124)})), (Pieces{0, 127, 0}));
    EXPECT_EQ(Split(Bytes({'I', 'D', '3', 3, 0, 0, 0, 0, 0})), (Pieces{0, 9, 0}));
    EXPECT_EQ(Split(TagV2Header(3, 0)), (Pieces{10, 0, 0}));
    // A size larger than the file is cut to what it holds, leaving an ID3v1 block at the end alone.
    const std::vector<char> huge = Join({Ascii("ID3"), Bytes({3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F})});
    EXPECT_EQ(Split(Join({huge, Repeat(0x55, 90)})), (Pieces{100, 0, 0}));
    EXPECT_EQ(Split(Join({huge, Repeat(0x55, 162), kTagV1})), (Pieces{172, 0, 128}));
}

}  // namespace
