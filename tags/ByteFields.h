#pragma once

// Reading fixed-size fields out of tag bytes. Callers check the bounds first.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tags {

inline std::uint8_t ByteAt(std::span<const char> bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

// Whether `id` lies wholly inside `bytes` at `at`.
inline bool HasIdAt(std::span<const char> bytes, std::size_t at, std::string_view id) {
    if (at > bytes.size() || id.size() > bytes.size() - at) {
        return false;
    }
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (bytes[at + i] != id[i]) {
            return false;
        }
    }
    return true;
}

inline std::uint32_t BigEndianAt(std::span<const char> bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = value << 8 | ByteAt(bytes, at + i);
    }
    return value;
}

// Seven bits per byte; the top bit of each byte is ignored rather than trusted.
inline std::uint32_t SynchsafeAt(std::span<const char> bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 7 | (ByteAt(bytes, at + i) & 0x7Fu);
    }
    return value;
}

}  // namespace tags
