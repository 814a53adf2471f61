#include "Fixtures.h"
#include "TagProbe.h"
#include "TempFolder.h"

#include <cstdint>

namespace {

using fixtures::kFixtureFiles;

// The fixtures are what the conversion tests take them for: short real audio, with the audio where the
// manifest says, as an independent reader finds it.
TEST(Fixtures, ManifestMatchesWhatTagLibFinds) {
    std::size_t total = 0;
    for (const fixtures::FixtureFile& fixture : kFixtureFiles) {
        SCOPED_TRACE(std::string(fixture.name));
        const fixtures::CTagProbe probe = fixtures::ProbeWithTagLib(fixtures::FixturePath(fixture.name));
        const std::string bytes = ReadFileBytes(fixtures::FixturePath(fixture.name).string());
        ASSERT_TRUE(probe.isValid);
        EXPECT_GT(probe.lengthMs, 1000);
        EXPECT_EQ(probe.sampleRate, 22050);
        EXPECT_EQ(probe.tagV2Version, fixture.tagV2Version);
        EXPECT_EQ(probe.hasTagV1, fixture.hasTagV1);
        EXPECT_EQ(probe.firstFrameOffset, static_cast<long>(fixture.audioOffset));
        ASSERT_EQ(bytes.size(), fixture.audioOffset + fixture.audioSize + (fixture.hasTagV1 ? 128 : 0));
        EXPECT_EQ(static_cast<std::uint8_t>(bytes[fixture.audioOffset]), 0xFF) << "an MPEG frame starts the audio";
        total += bytes.size();
    }
    EXPECT_LT(total, 200u * 1024u);
}

}  // namespace
