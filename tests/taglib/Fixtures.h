#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace fixtures {

// One real MP3 file in tests/data and what converting it must give.
struct FixtureFile {
    std::string_view name;            // UTF-8 file name
    std::string_view expectedTitle;   // the title after one conversion, as the new tag's bytes
    std::string_view expectedArtist;  // the artist after one conversion
    std::size_t audioOffset;          // the audio starts here, after the whole ID3v2 block (padding, footer)
    std::size_t audioSize;            // and runs this long, up to the ID3v1 block or the end of the file
};

// Made by tests/data/make_fixtures.py together with the fixtures.
inline constexpr FixtureFile kFixtureFiles[] = {
#include "FixtureFiles.inc"
};

// Full path of a fixture in the source tree. Tests read fixtures there and write only to copies.
std::filesystem::path FixturePath(std::string_view name);

}  // namespace fixtures
