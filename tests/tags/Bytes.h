#pragma once

// Byte-string builders for the tag tests, so expected bytes can be written out as numbers.

#include "TagText.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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

// `value` in `byteCount` bytes, most significant first, with `bits` bits to a byte (7: synchsafe).
inline std::vector<char> BigEndian(std::uint32_t value, int byteCount, int bits = 8) {
    std::vector<char> bytes;
    for (int i = byteCount - 1; i >= 0; --i) {
        bytes.push_back(static_cast<char>((value >> (bits * i)) & ((1u << bits) - 1)));
    }
    return bytes;
}

// An ID3v2 header announcing `bodySize` bytes after it.
inline std::vector<char> TagV2Header(int version, std::uint32_t bodySize, int flags = 0) {
    return Join({Ascii("ID3"), Bytes({version, 0, flags}), BigEndian(bodySize, 4, 7)});
}

// A whole ID3v2 block whose header announces exactly the frames given.
inline std::vector<char> TagV2Block(int version, std::initializer_list<std::vector<char>> frames, int flags = 0) {
    const std::vector<char> body = Join(frames);
    return Join({TagV2Header(version, static_cast<std::uint32_t>(body.size()), flags), body});
}

// `bytes` as an unsynchronising writer stores them: a 00 after every FF.
inline std::vector<char> Unsynchronised(const std::vector<char>& bytes) {
    std::vector<char> stored;
    for (const char byte : bytes) {
        stored.push_back(byte);
        if (static_cast<unsigned char>(byte) == 0xFF) {
            stored.push_back(0);
        }
    }
    return stored;
}

inline std::vector<char> FrameV23(std::string_view id, const std::vector<char>& content) {
    return Join({Ascii(id), BigEndian(static_cast<std::uint32_t>(content.size()), 4), Bytes({0, 0}), content});
}

// `formatFlags` is the second flag byte; 0x02 marks the content as unsynchronised.
inline std::vector<char> FrameV24(std::string_view id, const std::vector<char>& content, int formatFlags = 0) {
    return Join(
        {Ascii(id), BigEndian(static_cast<std::uint32_t>(content.size()), 4, 7), Bytes({0, formatFlags}), content});
}

inline std::vector<char> FrameV22(std::string_view id, const std::vector<char>& content) {
    return Join({Ascii(id), BigEndian(static_cast<std::uint32_t>(content.size()), 3), content});
}

inline std::string AsString(const std::vector<char>& bytes) {
    return {bytes.begin(), bytes.end()};
}

inline std::string RepeatText(std::string_view piece, std::size_t count) {
    std::string text;
    while (count-- > 0) {
        text += piece;
    }
    return text;
}

// Title and artist as a tag reader leaves them.
using Texts = std::pair<std::string, std::string>;

// Reads `block` into texts that start filled, as a previous file would leave them.
inline Texts ReadTexts(void (*read)(std::span<const char>, tags::TagText&, tags::TagText&),
                       std::span<const char> block) {
    tags::TagText title;
    tags::TagText artist;
    title.fill('#');
    artist.fill('#');
    read(block, title, artist);
    return {std::string(tags::TextOf(title)), std::string(tags::TextOf(artist))};
}

}  // namespace tagtest
