#include "Cp1251.h"
#include "Fixtures.h"
#include "TagConverter.h"
#include "TagProbe.h"
#include "TempFolder.h"

#include <algorithm>
#include <filesystem>

namespace {

using fixtures::kFixtureFiles;

// A text as TagLib read it from an ID3v2 tag, in our Latin capitals. The Latin-1 form holds the Windows-1251
// bytes of an encoding-0 frame exactly, and any text within Latin-1; beyond it (UTF-8 lead bytes C4 and up) only
// the UTF-8 form is whole.
std::string Transliterated(const std::string& latin1, const std::string& utf8) {
    const bool beyondLatin1 = std::any_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0xFF) >= 0xC4; });
    tags::TagText text;
    tags::CopyTransliterated(beyondLatin1 ? tags::Utf8ToCp1251(utf8).value_or("?") : latin1, text);
    return std::string(tags::TextOf(text));
}

using ConversionTest = CTempFolderTest;

// The fixture is what the manifest says: real audio, where TagLib finds it.
void ExpectAsInTheManifest(const fixtures::FixtureFile& fixture, const std::string& original) {
    const fixtures::CTagProbe probe = fixtures::ProbeWithTagLib(fixtures::FixturePath(fixture.name));
    ASSERT_TRUE(probe.isValid);
    EXPECT_EQ(probe.tagV2Version, fixture.tagV2Version);
    EXPECT_EQ(probe.hasTagV1, fixture.hasTagV1);
    EXPECT_EQ(probe.firstFrameOffset, static_cast<long>(fixture.audioOffset));
    ASSERT_EQ(original.size(), fixture.audioOffset + fixture.audioSize + (fixture.hasTagV1 ? 128 : 0));
    EXPECT_EQ(original[fixture.audioOffset], '\xFF') << "an MPEG frame starts the audio";
}

// As EDIT ID3's does it: one batch, written in groups; then a second batch. The audio that follows TagLib's view of the new tag is byte for byte the original's, so TagLib
// measures it the same.
TEST_F(ConversionTest, TagLibSeesOnlyTheNewTagAndTheSameAudioAndASecondRunChangesNothingMore) {
    CTagConverter converter;
    const auto convertAll = [&] {
        CTagConverter::CBatch batch(converter);
        for (const auto& fixture : kFixtureFiles) {
            batch.Convert(PathOf(std::string(fixture.name)), std::string(fixture.name));
        }
        batch.Finish();
        EXPECT_EQ(batch.Count(CTagConverter::EOutcome::Failed), 0u);
    };
    for (const auto& fixture : kFixtureFiles) {
        const std::string name(fixture.name);  // the UTF-8 bytes, as on disk
        SCOPED_TRACE(name);
        ExpectAsInTheManifest(fixture, ReadFileBytes(fixtures::FixturePath(name).string()));
        std::filesystem::copy_file(fixtures::FixturePath(name), PathOf(name));
    }
    convertAll();

    std::vector<std::string> onceConverted;
    for (const auto& fixture : kFixtureFiles) {
        const std::string name(fixture.name);
        SCOPED_TRACE(name);
        const std::string original = ReadFileBytes(fixtures::FixturePath(name).string());
        const fixtures::CTagProbe before = fixtures::ProbeWithTagLib(fixtures::FixturePath(name));
        const fixtures::CTagProbe after = fixtures::ProbeWithTagLib(PathOf(name));
        ASSERT_TRUE(after.isValid);
        EXPECT_TRUE(after.hasTagV2);
        EXPECT_EQ(after.tagV2Version, 3);
        EXPECT_EQ(after.frameIds, (std::vector<std::string>{"TIT2", "TPE1"}));
        EXPECT_FALSE(after.hasTagV1);
        EXPECT_EQ(after.title, fixture.expectedTitle);
        EXPECT_EQ(after.artist, fixture.expectedArtist);
        if (before.hasTagV2) {  // an independent reader's texts, unsynchronisation undone
            EXPECT_EQ(after.title, Transliterated(before.title, before.titleUtf8));
            EXPECT_EQ(after.artist, Transliterated(before.artist, before.artistUtf8));
        }
        onceConverted.push_back(ReadFileBytes(PathOf(name)));
        const std::string& once = onceConverted.back();
        ASSERT_EQ(once.size(), after.tagV2Size + fixture.audioSize) << "tag and audio, nothing else";
        EXPECT_TRUE(once.substr(after.tagV2Size) == original.substr(fixture.audioOffset, fixture.audioSize))
            << "the audio is byte-identical";
    }

    convertAll();
    for (std::size_t i = 0; i < std::size(kFixtureFiles); ++i) {
        const std::string name(kFixtureFiles[i].name);
        SCOPED_TRACE(name);
        EXPECT_TRUE(ReadFileBytes(PathOf(name)) == onceConverted[i]) << "byte-identical";
    }
}

}  // namespace
