#include "Fixtures.h"
#include "TagProbe.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fixtures::CTagProbe;
using fixtures::FixtureFile;
using fixtures::FixturePath;
using fixtures::kFixtureFiles;
using fixtures::ProbeWithTagLib;

constexpr std::size_t kTagV1Size = 128;
constexpr std::size_t kHeaderSize = 10;

// What each fixture was made to show, as TagLib must read it before any conversion.
struct Intent {
    std::string_view name;
    std::string_view frameIds;  // as TagLib names them, space-separated
    std::string_view title;     // written here in UTF-8
    std::string_view artist;
    bool unicodeFrames;  // false: the texts are stored as Windows-1251 bytes under encoding 0 (or in ID3v1)
};

constexpr Intent kIntents[] = {
    {"no-tag.mp3", "", "", "", false},
    {"Пчела.mp3", "", "", "", false},
    {"v1-only-cp1251.mp3", "", "Щука в реке", "Чиж", false},  // TagLib stops at the zero byte inside the field
    {"v23-cp1251.mp3", "TIT2 TPE1 TALB TRCK TDRC COMM", "Пчела", "Шмель и Оса", false},
    {"v23-utf16-picture-padding.mp3", "TIT2 TPE1 TALB APIC", "Царь Горох", "Ансамбль Щит", true},
    {"v24-utf8-long.mp3", "TIT2 TPE1 TALB TDRC",
     "Длинная песня о том, как пчела летала над садом, над рекой и над полем весь день до заката", "Жуки", true},
    {"v22.mp3", "TIT2 TPE1 TALB TRCK", "Чайка", "Зима", false},
    {"v23-and-v1.mp3", "TIT2 TPE1 TALB", "Rock 'n' roll", "Жук", false},
    {"v24-footer.mp3", "TIT2 TPE1 TALB", "Шум", "Лес", true},
};

// The Windows-1251 bytes of a UTF-8 text made of ASCII and the letters А..я, as a legacy tagger stored it.
std::string Cp1251(std::string_view utf8) {
    std::string bytes;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto lead = static_cast<std::uint8_t>(utf8[at]);
        if (lead < 0x80 || at + 1 == utf8.size()) {
            bytes += utf8[at];
            continue;
        }
        const auto codePoint =
            static_cast<unsigned>((lead & 0x1F) << 6 | (static_cast<std::uint8_t>(utf8[++at]) & 0x3F));
        EXPECT_TRUE(codePoint >= 0x410 && codePoint <= 0x44F) << utf8;
        bytes += static_cast<char>(codePoint - 0x410 + 0xC0);
    }
    return bytes;
}

std::string Joined(const std::vector<std::string>& ids) {
    std::string joined;
    for (const std::string& id : ids) {
        joined += (joined.empty() ? "" : " ") + id;
    }
    return joined;
}

std::string FixtureBytes(std::string_view name) {
    return ReadFileBytes(FixturePath(name).string());
}

const FixtureFile& Manifest(std::string_view name) {
    for (const FixtureFile& fixture : kFixtureFiles) {
        if (fixture.name == name) {
            return fixture;
        }
    }
    throw std::invalid_argument(std::string(name));
}

TEST(Fixtures, EachIsShortRealAudioThatTagLibMeasures) {
    std::size_t total = 0;
    for (const FixtureFile& fixture : kFixtureFiles) {
        SCOPED_TRACE(fixture.name);
        const CTagProbe probe = ProbeWithTagLib(FixturePath(fixture.name));
        ASSERT_TRUE(probe.isValid);
        EXPECT_GT(probe.lengthMs, 1000);
        EXPECT_LT(probe.lengthMs, 3000);
        EXPECT_EQ(probe.bitrate, 32);
        EXPECT_EQ(probe.sampleRate, 22050);
        EXPECT_EQ(probe.channels, 1);
        total += FixtureBytes(fixture.name).size();
    }
    EXPECT_LT(total, 200u * 1024u);
}

TEST(Fixtures, ManifestPlacesTheAudioWhereTagLibFindsIt) {
    for (const FixtureFile& fixture : kFixtureFiles) {
        SCOPED_TRACE(fixture.name);
        const CTagProbe probe = ProbeWithTagLib(FixturePath(fixture.name));
        const std::string bytes = FixtureBytes(fixture.name);
        EXPECT_EQ(probe.hasTagV2, fixture.tagV2Version != 0);
        EXPECT_EQ(probe.tagV2Version, fixture.tagV2Version);
        EXPECT_EQ(probe.tagV2Size, fixture.audioOffset);
        EXPECT_EQ(probe.hasTagV1, fixture.hasTagV1);
        EXPECT_EQ(probe.firstFrameOffset, static_cast<long>(fixture.audioOffset));
        ASSERT_EQ(bytes.size(), fixture.audioOffset + fixture.audioSize + (fixture.hasTagV1 ? kTagV1Size : 0));
        ASSERT_GT(fixture.audioSize, 1u);
        EXPECT_EQ(static_cast<std::uint8_t>(bytes[fixture.audioOffset]), 0xFF);
        EXPECT_EQ(static_cast<std::uint8_t>(bytes[fixture.audioOffset + 1]) & 0xE0, 0xE0);
    }
}

TEST(Fixtures, TagLibReadsTheFramesAndTextsEachWasMadeWith) {
    ASSERT_EQ(std::size(kIntents), kFixtureFiles.size());
    for (const Intent& intent : kIntents) {
        SCOPED_TRACE(intent.name);
        ASSERT_NO_THROW(Manifest(intent.name));
        const CTagProbe probe = ProbeWithTagLib(FixturePath(intent.name));
        EXPECT_EQ(Joined(probe.frameIds), intent.frameIds);
        if (intent.unicodeFrames) {
            EXPECT_EQ(probe.titleUtf8, intent.title);
            EXPECT_EQ(probe.artistUtf8, intent.artist);
        } else {
            EXPECT_EQ(probe.title, Cp1251(intent.title));
            EXPECT_EQ(probe.artist, Cp1251(intent.artist));
        }
    }
}

// The byte-level points that TagLib's view alone does not show.
TEST(Fixtures, TagBytesHoldTheFormsTheReaderMustHandle) {
    // A frame over 127 bytes, whose synchsafe size reads differently as a plain number.
    const std::string longFrame = FixtureBytes("v24-utf8-long.mp3");
    ASSERT_EQ(longFrame.substr(kHeaderSize, 4), "TIT2");
    std::uint32_t plain = 0;
    std::uint32_t synchsafe = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(longFrame[kHeaderSize + 4 + i]);
        plain = plain << 8 | byte;
        synchsafe = synchsafe << 7 | byte;
    }
    EXPECT_GT(synchsafe, 127u);
    EXPECT_NE(plain, synchsafe);

    // A v2.4 footer closes the tag block, right before the audio.
    const FixtureFile& footer = Manifest("v24-footer.mp3");
    EXPECT_EQ(FixtureBytes(footer.name).substr(footer.audioOffset - kHeaderSize, 3), "3DI");

    // Padding: zeros between the last frame and the audio.
    const FixtureFile& padded = Manifest("v23-utf16-picture-padding.mp3");
    EXPECT_EQ(FixtureBytes(padded.name).substr(padded.audioOffset - 512, 512), std::string(512, '\0'));
}

}  // namespace
