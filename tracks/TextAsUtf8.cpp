#include "TextAsUtf8.h"

#include "SystemCodePage.h"

#include <string_view>

namespace {

// The length of the UTF-8 sequence a lead byte opens; 0 for a byte that opens none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// Valid UTF-8 with at least one non-ASCII character. Overlong forms and surrogates are let pass: text in a
// legacy code page almost never forms even the simpler pattern.
bool IsUtf8BeyondAscii(std::span<const char> data) {
    bool beyondAscii = false;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(data[at]));
        if (length == 0 || at + length > data.size()) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(data[at + i]) & 0xC0) != 0x80) {
                return false;
            }
        }
        beyondAscii = beyondAscii || length > 1;
        at += length;
    }
    return beyondAscii;
}

bool HasUtf8ByteOrderMark(std::span<const char> data) {
    return data.size() >= 3 && data[0] == '\xEF' && data[1] == '\xBB' && data[2] == '\xBF';
}

}  // namespace

CDecodedPlaylist TextAsUtf8(std::span<const char> data, bool declaredUtf8) {
    if (std::optional<CDecodedPlaylist> utf16 = DecodeUtf16Playlist(data)) {
        return std::move(*utf16);
    }
    if (declaredUtf8 || HasUtf8ByteOrderMark(data) || IsUtf8BeyondAscii(data)) {
        return {std::vector<char>(data.begin(), data.end()), {}};
    }
    const std::string utf8 = SystemCodePageToUtf8(std::string_view(data.data(), data.size()));
    return {std::vector<char>(utf8.begin(), utf8.end()), {}};
}
