#pragma once

// Byte-string builders for the tag tests, so expected bytes can be written out as numbers.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tagtest {

inline std::vector<char> Bytes(std::initializer_list<int> values) {
    std::vector<char> bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

inline std::vector<char> Ascii(std::string_view text) {
    return {text.begin(), text.end()};
}

inline std::vector<char> Repeat(int value, std::size_t count) {
    return std::vector<char>(count, static_cast<char>(value));
}

inline std::vector<char> Join(std::initializer_list<std::vector<char>> parts) {
    std::vector<char> joined;
    for (const auto& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

inline std::vector<char> BigEndian(std::uint32_t value, int byteCount) {
    std::vector<char> bytes;
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
    return bytes;
}

inline std::vector<char> Synchsafe(std::uint32_t value) {
    return Bytes({static_cast<int>((value >> 21) & 0x7F), static_cast<int>((value >> 14) & 0x7F),
                  static_cast<int>((value >> 7) & 0x7F), static_cast<int>(value & 0x7F)});
}

// An ID3v2 header announcing `bodySize` bytes after it.
inline std::vector<char> TagV2Header(int version, std::uint32_t bodySize, int flags = 0) {
    return Join({Ascii("ID3"), Bytes({version, 0, flags}), Synchsafe(bodySize)});
}

// A whole ID3v2 block whose header announces exactly the frames given.
inline std::vector<char> TagV2Block(int version, std::initializer_list<std::vector<char>> frames) {
    const std::vector<char> body = Join(frames);
    return Join({TagV2Header(version, static_cast<std::uint32_t>(body.size())), body});
}

inline std::vector<char> FrameV23(std::string_view id, const std::vector<char>& content) {
    return Join({Ascii(id), BigEndian(static_cast<std::uint32_t>(content.size()), 4), Bytes({0, 0}), content});
}

inline std::vector<char> FrameV24(std::string_view id, const std::vector<char>& content) {
    return Join({Ascii(id), Synchsafe(static_cast<std::uint32_t>(content.size())), Bytes({0, 0}), content});
}

inline std::vector<char> FrameV22(std::string_view id, const std::vector<char>& content) {
    return Join({Ascii(id), BigEndian(static_cast<std::uint32_t>(content.size()), 3), content});
}

inline std::string AsString(const std::vector<char>& bytes) {
    return {bytes.begin(), bytes.end()};
}

inline std::string RepeatText(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

}  // namespace tagtest
