#include "Cp1251.h"

#include "ByteFields.h"
#include "LatinFold.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tags {
namespace {

// Unicode form of the bytes 0x80-0xBF; 0x98 has none (0 never matches, since ASCII is handled first).
constexpr std::array<char32_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

constexpr char32_t kByteOrderMark = 0xFEFF;
constexpr char32_t kInvalid = 0xFFFFFFFF;  // a malformed sequence, shown as '?'

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

// Appends code points from `next` until the bytes end; a zero code point separates values, and a byte-order
// mark at the start of a value is dropped.
template <typename Next>
std::string Collect(std::span<const char> bytes, std::size_t start, Next next) {
    std::string out;
    bool valueStart = true;
    for (std::size_t at = start; at < bytes.size();) {
        const Decoded decoded = next(bytes, at);
        at += decoded.length;
        if (decoded.codePoint == kByteOrderMark && valueStart) {
            continue;
        }
        valueStart = decoded.codePoint == 0;
        if (decoded.codePoint == kInvalid) {
            out.push_back('?');
        } else {
            AppendCp1251(decoded.codePoint, out);
        }
    }
    return out;
}

std::uint16_t Utf16UnitAt(std::span<const char> bytes, std::size_t at, bool bigEndian) {
    const std::uint8_t first = ByteAt(bytes, at);
    const std::uint8_t second = ByteAt(bytes, at + 1);
    return bigEndian ? static_cast<std::uint16_t>(first << 8 | second)
                     : static_cast<std::uint16_t>(second << 8 | first);
}

Decoded DecodeUtf16At(std::span<const char> bytes, std::size_t at, bool bigEndian) {
    if (bytes.size() - at < 2) {
        return {kInvalid, bytes.size() - at};
    }
    const std::uint16_t unit = Utf16UnitAt(bytes, at, bigEndian);
    if (unit < 0xD800 || unit > 0xDFFF) {
        return {unit, 2};
    }
    if (unit >= 0xDC00 || bytes.size() - at < 4) {
        return {kInvalid, 2};
    }
    const std::uint16_t low = Utf16UnitAt(bytes, at + 2, bigEndian);
    if (low < 0xDC00 || low > 0xDFFF) {
        return {kInvalid, 2};
    }
    return {0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00u), 4};
}

// The byte order a value's mark sets, if the two bytes at `at` are one.
std::optional<bool> ByteOrderMarkAt(std::span<const char> bytes, std::size_t at) {
    if (bytes.size() - at < 2) {
        return std::nullopt;
    }
    const std::uint8_t first = ByteAt(bytes, at);
    const std::uint8_t second = ByteAt(bytes, at + 1);
    if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
        return first == 0xFE;
    }
    return std::nullopt;
}

// Each value may bring its own byte-order mark, which then holds for the values after it too.
std::string DecodeUtf16(std::span<const char> bytes, bool bigEndian) {
    bool valueStart = true;
    return Collect(bytes, 0, [&](std::span<const char> b, std::size_t at) {
        if (const std::optional<bool> order = valueStart ? ByteOrderMarkAt(b, at) : std::nullopt) {
            bigEndian = *order;
            return Decoded{kByteOrderMark, 2};
        }
        const Decoded decoded = DecodeUtf16At(b, at, bigEndian);
        valueStart = decoded.codePoint == 0;
        return decoded;
    });
}

// Lead bytes and the range their first continuation byte must lie in; this excludes overlong forms,
// surrogates and code points above U+10FFFF.
struct Utf8Lead {
    std::size_t continuations;
    std::uint8_t low;
    std::uint8_t high;
};

Utf8Lead LeadOf(std::uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return {1, 0x80, 0xBF};
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return {2, lead == 0xE0 ? std::uint8_t{0xA0} : std::uint8_t{0x80},
                lead == 0xED ? std::uint8_t{0x9F} : std::uint8_t{0xBF}};
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return {3, lead == 0xF0 ? std::uint8_t{0x90} : std::uint8_t{0x80},
                lead == 0xF4 ? std::uint8_t{0x8F} : std::uint8_t{0xBF}};
    }
    return {0, 0, 0};
}

// A malformed sequence is consumed up to the first byte that does not fit, so decoding resumes there.
Decoded DecodeUtf8At(std::span<const char> bytes, std::size_t at) {
    const std::uint8_t lead = ByteAt(bytes, at);
    if (lead < 0x80) {
        return {lead, 1};
    }
    const Utf8Lead rule = LeadOf(lead);
    if (rule.continuations == 0) {
        return {kInvalid, 1};
    }
    char32_t codePoint = lead & (0x3Fu >> rule.continuations);
    for (std::size_t i = 1; i <= rule.continuations; ++i) {
        if (at + i >= bytes.size()) {
            return {kInvalid, i};
        }
        const std::uint8_t next = ByteAt(bytes, at + i);
        const std::uint8_t low = i == 1 ? rule.low : std::uint8_t{0x80};
        const std::uint8_t high = i == 1 ? rule.high : std::uint8_t{0xBF};
        if (next < low || next > high) {
            return {kInvalid, i};
        }
        codePoint = codePoint << 6 | (next & 0x3Fu);
    }
    return {codePoint, rule.continuations + 1};
}

}  // namespace

void AppendCp1251(char32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
        return;
    }
    if (codePoint >= 0x0410 && codePoint <= 0x044F) {
        out.push_back(static_cast<char>(0xC0 + (codePoint - 0x0410)));
        return;
    }
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == codePoint) {
            out.push_back(static_cast<char>(0x80 + i));
            return;
        }
    }
    const std::string_view latin = PlainLatinOf(codePoint);
    out.append(latin.empty() ? std::string_view("?") : latin);
}

std::string Utf16ToCp1251(std::span<const char> bytes) {
    return DecodeUtf16(bytes, false);
}

std::string Utf16BeToCp1251(std::span<const char> bytes) {
    return DecodeUtf16(bytes, true);
}

std::string Utf8ToCp1251Lossy(std::span<const char> bytes) {
    return Collect(bytes, 0, DecodeUtf8At);
}

std::optional<std::string> Utf8ToCp1251(std::string_view text) {
    const std::span<const char> bytes(text.data(), text.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const Decoded decoded = DecodeUtf8At(bytes, at);
        if (decoded.codePoint == kInvalid) {
            return std::nullopt;
        }
        if (decoded.codePoint == 0) {
            break;
        }
        at += decoded.length;
    }
    const std::string converted = Utf8ToCp1251Lossy(bytes);
    return converted.substr(0, converted.find('\0'));
}

}  // namespace tags
