#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tags {

// How one frame's content is stored, from its tag's header and its own flags.
struct FrameFormat {
    int version = 3;                 // the tag's major version: 2, 3 or 4
    std::uint8_t flags = 0;          // v2.3 and v2.4: the second flag byte, which says how the content is stored
    bool tagUnsynchronised = false;  // v2.4: the header says every frame is unsynchronised
};

// The most of a frame's content that is read or inflated: far more than any title needs, little memory.
inline constexpr std::size_t kMaxFrameContent = 64 * 1024;

// The frame's data as a reader sees it: unsynchronisation undone (v2.4), the extra bytes its flags announce
// skipped (grouping, data length), compressed data inflated (up to kMaxFrameContent bytes). nullopt when the
// frame cannot be read: encrypted, or compressed data that does not inflate.
std::optional<std::vector<char>> FrameData(std::span<const char> stored, const FrameFormat& format);

}  // namespace tags
