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

inline std::vector<char> LittleEndian32(std::uint32_t value) {
    const std::vector<char> bytes = BigEndian(value, 4);
    return {bytes.rbegin(), bytes.rend()};
}

// An APEv2 tag holding `items`: the footer, and before the items the header where `withHeader` says so.
inline std::vector<char> ApeTag(const std::vector<char>& items, bool withHeader) {
    const auto frame = [&](std::uint32_t flags) {
        return Join({Ascii("APETAGEX"), LittleEndian32(2000),
                     LittleEndian32(static_cast<std::uint32_t>(items.size()) + 32), LittleEndian32(1),
                     LittleEndian32(flags), Repeat(0, 8)});
    };
    const std::uint32_t hasHeader = withHeader ? 0x80000000u : 0;
    return Join({withHeader ? frame(hasHeader | 0x20000000u) : std::vector<char>{}, items, frame(hasHeader)});
}

// One APE text item.
inline std::vector<char> ApeItem(std::string_view key, std::string_view value) {
    return Join({LittleEndian32(static_cast<std::uint32_t>(value.size())), LittleEndian32(0), Ascii(key), Bytes({0}),
                 Ascii(value)});
}

// A Lyrics3 v2 block with one lyrics field; its sizes are decimal, of five and six digits.
inline std::vector<char> Lyrics3V2(std::string_view lyrics) {
    const std::vector<char> body =
        Join({Ascii("LYRICSBEGINLYR"), Ascii(std::to_string(100000 + lyrics.size()).substr(1)), Ascii(lyrics)});
    return Join({body, Ascii(std::to_string(1000000 + body.size()).substr(1)), Ascii("LYRICS200")});
}

// A 128-byte ID3v1 block; each field is padded with `pad` to its 30 bytes.
inline std::vector<char> TagV1(std::vector<char> title, std::vector<char> artist, char pad = ' ') {
    title.resize(30, pad);
    artist.resize(30, pad);
    return Join({Ascii("TAG"), title, artist, Repeat(0, 65)});
}

}  // namespace tagtest
