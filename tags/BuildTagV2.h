#pragma once

#include <string_view>
#include <vector>

namespace tags {

// Builds the new minimal ID3v2.3 tag: header, then a "TIT2" and a "TPE1" frame with encoding byte 0 and the
// texts without terminator; both frames are always present, with no padding or footer. 32 bytes plus the
// texts' lengths. Each text is cut to 2047 bytes, the most a tag text holds, so the sizes always fit.
std::vector<char> RenderTagV2(std::string_view title, std::string_view artist);

}  // namespace tags
