#include "BuildTagV2.h"

#include "TagText.h"

#include <cstdint>

namespace tags {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kFrameHeaderSize = 10;
constexpr std::size_t kEncodingSize = 1;

void AppendBigEndian32(std::vector<char>& tag, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        tag.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
}

void AppendSynchsafe32(std::vector<char>& tag, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7) {
        tag.push_back(static_cast<char>((value >> shift) & 0x7Fu));
    }
}

void AppendFrame(std::vector<char>& tag, std::string_view id, std::string_view text) {
    tag.insert(tag.end(), id.begin(), id.end());
    AppendBigEndian32(tag, static_cast<std::uint32_t>(kEncodingSize + text.size()));
    tag.push_back('\0');  // flags
    tag.push_back('\0');
    tag.push_back('\0');  // encoding: ISO-8859-1
    tag.insert(tag.end(), text.begin(), text.end());
}

}  // namespace

std::vector<char> RenderTagV2(std::string_view title, std::string_view artist) {
    title = title.substr(0, kMaxTextLength);
    artist = artist.substr(0, kMaxTextLength);
    const std::size_t bodySize = 2 * (kFrameHeaderSize + kEncodingSize) + title.size() + artist.size();

    std::vector<char> tag;
    tag.reserve(kHeaderSize + bodySize);
    tag.insert(tag.end(), {'I', 'D', '3', 3, 0, 0});
    AppendSynchsafe32(tag, static_cast<std::uint32_t>(bodySize));
    AppendFrame(tag, "TIT2", title);
    AppendFrame(tag, "TPE1", artist);
    return tag;
}

}  // namespace tags
