#include "SplitFile.h"

#include "Bytes.h"

#include <gtest/gtest.h>

namespace {

using tagtest::Ascii;
using tagtest::Bytes;
using tagtest::Join;
using tagtest::Repeat;
using tagtest::TagV2Header;

struct Pieces {
    std::size_t tagV2;
    std::size_t audio;
    std::size_t tagV1;
    bool operator==(const Pieces&) const = default;
};

void PrintTo(const Pieces& p, std::ostream* out) {
    *out << "{tagV2 " << p.tagV2 << ", audio " << p.audio << ", tagV1 " << p.tagV1 << "}";
}

Pieces Split(const std::vector<char>& file) {
    const tags::FileSplit split = tags::SplitFile(file);
    EXPECT_EQ(split.tagV2Size + split.audioSize + split.tagV1Size, file.size());
    return {split.tagV2Size, split.audioSize, split.tagV1Size};
}

std::vector<char> TagV1() {
    return Join({Ascii("TAG"), Repeat(' ', 125)});
}

TEST(SplitFile, FileWithoutTagsIsAllAudio) {
    EXPECT_EQ(Split(Repeat(0x55, 300)), (Pieces{0, 300, 0}));
    EXPECT_EQ(Split(std::vector<char>{}), (Pieces{0, 0, 0}));
}

TEST(SplitFile, SynchsafeSizeGivesTheBlockLength) {
    const std::vector<char> header = Join({Ascii("ID3"), Bytes({3, 0, 0, 0x00, 0x00, 0x02, 0x01})});
    EXPECT_EQ(Split(Join({header, Repeat(0, 257), Repeat(0x55, 50)})), (Pieces{267, 50, 0}));
    // The top bit of each size byte is not part of the number.
    const std::vector<char> flagged = Join({Ascii("ID3"), Bytes({3, 0, 0, 0x80, 0x80, 0x82, 0x81})});
    EXPECT_EQ(Split(Join({flagged, Repeat(0, 257), Repeat(0x55, 50)})), (Pieces{267, 50, 0}));
}

TEST(SplitFile, TagV1IsOnlyRecognisedInTheLast128Bytes) {
    EXPECT_EQ(Split(Join({Repeat(0x55, 172), TagV1()})), (Pieces{0, 172, 128}));
    EXPECT_EQ(Split(Join({Ascii("TAG"), Repeat(0x55, 297)})), (Pieces{0, 300, 0}));
    EXPECT_EQ(Split(Join({TagV1(), Repeat(0x55, 1)})), (Pieces{0, 129, 0}));
    EXPECT_EQ(Split(TagV1()), (Pieces{0, 0, 128}));
}

TEST(SplitFile, BothBlocksLeaveTheAudioBetweenThem) {
    EXPECT_EQ(Split(Join({TagV2Header(3, 20), Repeat(0, 20), Repeat(0x55, 40), TagV1()})), (Pieces{30, 40, 128}));
    EXPECT_EQ(Split(Join({TagV2Header(3, 20), Repeat(0, 20), TagV1()})), (Pieces{30, 0, 128}));
}

TEST(SplitFile, FileShorterThan128BytesHasNoTagV1) {
    EXPECT_EQ(Split(Ascii("TAG")), (Pieces{0, 3, 0}));
    EXPECT_EQ(Split(Join({Ascii("TAG"), Repeat(' ', 124)})), (Pieces{0, 127, 0}));
}

TEST(SplitFile, FileTooShortForTheHeaderIsAllAudio) {
    EXPECT_EQ(Split(Ascii("ID3")), (Pieces{0, 3, 0}));
    EXPECT_EQ(Split(Bytes({'I', 'D', '3', 3, 0, 0, 0, 0, 0})), (Pieces{0, 9, 0}));
    EXPECT_EQ(Split(TagV2Header(3, 0)), (Pieces{10, 0, 0}));
}

TEST(SplitFile, OversizedTagV2IsCutToWhatTheFileHolds) {
    const std::vector<char> huge = Join({Ascii("ID3"), Bytes({3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F})});
    EXPECT_EQ(Split(Join({huge, Repeat(0x55, 90)})), (Pieces{100, 0, 0}));
    EXPECT_EQ(Split(Join({huge, Repeat(0x55, 162), TagV1()})), (Pieces{172, 0, 128}));
    EXPECT_EQ(Split(Join({TagV2Header(3, 100), Repeat(0, 50)})), (Pieces{60, 0, 0}));
}

TEST(SplitFile, FooterOfAVersion4TagBelongsToTheTag) {
    EXPECT_EQ(Split(Join({TagV2Header(4, 20, 0x10), Repeat(0, 30), Repeat(0x55, 60)})), (Pieces{40, 60, 0}));
    EXPECT_EQ(Split(Join({TagV2Header(4, 20, 0x00), Repeat(0, 20), Repeat(0x55, 70)})), (Pieces{30, 70, 0}));
    // Version 3 defines no footer flag, so the bit is not trusted there.
    EXPECT_EQ(Split(Join({TagV2Header(3, 20, 0x10), Repeat(0, 20), Repeat(0x55, 70)})), (Pieces{30, 70, 0}));
}

TEST(SplitFile, TagV1NeverOverlapsTheTagV2Header) {
    // "TAG" 128 bytes from the end falls inside the 10-byte header here.
    const std::vector<char> overlapping = Join({Ascii("ID3TAG"), Bytes({0, 0, 0, 0}), Repeat(0x55, 121)});
    EXPECT_EQ(Split(overlapping), (Pieces{10, 121, 0}));
    EXPECT_EQ(Split(Join({TagV2Header(3, 0), TagV1()})), (Pieces{10, 0, 128}));
}

}  // namespace
