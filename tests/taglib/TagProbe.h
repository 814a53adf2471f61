#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace fixtures {

// An MP3 file as TagLib sees it: a reader that shares no code with ours, for tests to compare against.
struct CTagProbe {
    bool isValid = false;  // TagLib opened the file and took it for MPEG audio

    int tagV2Version = 0;               // major version, 2 to 4; 0 without an ID3v2 tag
    std::size_t tagV2Size = 0;          // the whole block: header, frames, padding and any footer
    std::vector<std::string> frameIds;  // in tag order; TagLib renames v2.2 and some v2.3 frames to v2.4 IDs
    bool hasTagV1 = false;
    bool hasApeTag = false;

    // TagLib's merged view, ID3v2 before ID3v1, in Latin-1: the bytes of an encoding-0 frame exactly, as the
    // new tag writes them.
    std::string title;
    std::string artist;
};

// Reads the file without ever opening it for writing.
CTagProbe ProbeWithTagLib(const std::filesystem::path& path);

}  // namespace fixtures
