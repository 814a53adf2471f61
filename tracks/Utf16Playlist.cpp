#include "Utf16Playlist.h"

#include <string>

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The text's UTF-16 units, in the order the byte-order mark gives; a trailing odd byte is dropped.
std::u16string Units(std::span<const char> data, bool bigEndian) {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < data.size(); i += 2) {
        const auto first = static_cast<unsigned char>(data[i]);
        const auto second = static_cast<unsigned char>(data[i + 1]);
        units += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return units;
}

// One line as UTF-8; false when it holds a lone surrogate, which names no character.
bool LineToUtf8(std::u16string_view line, std::string& out) {
    bool whole = true;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char16_t unit = line[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (line[++i] - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?';
            whole = false;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return whole;
}

bool IsEntry(std::u16string_view line) {
    return !line.empty() && line.front() != u'#';
}

}  // namespace

std::optional<CDecodedPlaylist> DecodeUtf16Playlist(std::span<const char> data) {
    const bool little = data.size() >= 2 && data[0] == '\xFF' && data[1] == '\xFE';
    const bool big = data.size() >= 2 && data[0] == '\xFE' && data[1] == '\xFF';
    if (!little && !big) {
        return std::nullopt;
    }
    const std::u16string units = Units(data, big);
    CDecodedPlaylist decoded;
    std::int32_t entries = 0;
    for (std::size_t begin = 0; begin < units.size();) {
        std::size_t end = units.find_first_of(u"\r\n", begin);
        end = end == std::u16string::npos ? units.size() : end;
        const std::u16string_view line(units.data() + begin, end - begin);
        std::string utf8;
        const bool whole = LineToUtf8(line, utf8);
        decoded.data.insert(decoded.data.end(), utf8.begin(), utf8.end());
        decoded.data.push_back('\n');
        if (IsEntry(line)) {
            ++entries;
            if (!whole) {
                decoded.unnameable.push_back(entries);
            }
        }
        begin = end + 1;
    }
    return decoded;
}
