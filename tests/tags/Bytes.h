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
    return {values.begin(), values.end()};
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

inline std::string AsString(const std::vector<char>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// `value` in `byteCount` bytes, most significant first, with `bits` bits to a byte (7: synchsafe).
inline std::vector<char> BigEndian(std::uint32_t value, int byteCount, int bits = 8) {
    std::vector<char> bytes;
    for (int i = byteCount - 1; i >= 0; --i) {
        bytes.push_back(static_cast<char>((value >> (bits * i)) & ((1u << bits) - 1)));
    }
    return bytes;
}

// A whole ID3v2 block whose header announces exactly the frames given.
inline std::vector<char> TagV2Block(int version, std::initializer_list<std::vector<char>> frames, int flags = 0) {
    const std::vector<char> body = Join(frames);
    const auto size = static_cast<std::uint32_t>(body.size());
    return Join({Ascii("ID3"), Bytes({version, 0, flags}), BigEndian(size, 4, 7), body});
}

// A v2.3 frame, or with `version` 4 a v2.4 one: synchsafe size, and `formatFlags` 0x02 for unsynchronised content.
inline std::vector<char> Frame(std::string_view id,
                               const std::vector<char>& content,
                               int version = 3,
                               int formatFlags = 0) {
    const auto size = static_cast<std::uint32_t>(content.size());
    return Join({Ascii(id), BigEndian(size, 4, version == 4 ? 7 : 8), Bytes({0, formatFlags}), content});
}

}  // namespace tagtest
