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

class ConversionTest : public CTempFolderTest {
  protected:
    // A copy of the fixture in the test's folder, converted once; the name is the UTF-8 bytes, as on disk.
    std::string ConvertCopy(const fixtures::FixtureFile& fixture) {
        const std::string name(fixture.name);
        std::filesystem::copy_file(fixtures::FixturePath(fixture.name), PathOf(name));
        m_converter.ConvertFile(PathOf(name), name);
        return PathOf(name);
    }

    CTagConverter m_converter;
};

// As EDIT ID3's does it: one batch, written in groups, songs written over earlier songs' old content.
TEST_F(ConversionTest, TagLibSeesOnlyTheNewTagAndTheSameAudio) {
    {
        CTagConverter::CBatch batch(m_converter, 4);
        for (const auto& fixture : kFixtureFiles) {
            ConvertCopy(fixture);
        }
        batch.Finish();
        EXPECT_EQ(batch.Count(CTagConverter::EOutcome::Converted), std::size(kFixtureFiles));
    }
    for (const auto& fixture : kFixtureFiles) {
        SCOPED_TRACE(std::string(fixture.name));
        const std::string original = ReadFileBytes(fixtures::FixturePath(fixture.name).string());
        const fixtures::CTagProbe before = fixtures::ProbeWithTagLib(fixtures::FixturePath(fixture.name));
        const std::string path = PathOf(std::string(fixture.name));
        const fixtures::CTagProbe after = fixtures::ProbeWithTagLib(path);

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
        EXPECT_EQ(after.lengthMs, before.lengthMs);
        EXPECT_EQ(after.bitrate, before.bitrate);
        EXPECT_EQ(after.sampleRate, before.sampleRate);
        EXPECT_EQ(after.channels, before.channels);

        const std::string converted = ReadFileBytes(path);
        ASSERT_EQ(converted.size(), after.tagV2Size + fixture.audioSize) << "tag and audio, nothing else";
        EXPECT_TRUE(converted.substr(after.tagV2Size) == original.substr(fixture.audioOffset, fixture.audioSize))
            << "the audio is byte-identical";
    }
}

TEST_F(ConversionTest, SecondConversionChangesOnlyWhatTheFirstLeftUntransliterated) {
    for (const auto& fixture : kFixtureFiles) {
        SCOPED_TRACE(std::string(fixture.name));
        const std::string path = ConvertCopy(fixture);
        const std::string once = ReadFileBytes(path);
        m_converter.ConvertFile(path, std::string(fixture.name));
        const std::string twice = ReadFileBytes(path);
        if (fixture.expectedTitle.starts_with('\xCF')) {
            // A Cyrillic file name went into the title as it was; now it is transliterated.
            EXPECT_EQ(fixtures::ProbeWithTagLib(path).title, "PCHELA.mp3");
            EXPECT_EQ(twice.size(), once.size() + 1) << "one letter became two";
        } else {
            EXPECT_TRUE(twice == once) << "byte-identical";
        }
    }
}

}  // namespace
