#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace tags {

// The converter's title and artist: zero-terminated, so at most 2047 letters.
inline constexpr std::size_t kTagTextSize = 2048;
inline constexpr std::size_t kMaxTextLength = kTagTextSize - 1;
using TagText = std::array<char, kTagTextSize>;

// Rewrites `text` from its start with `source` passed byte by byte through the transliteration (LatinOf), then
// terminates it: every byte of the text is printable ASCII. Zero and control bytes in the source vanish. A text that
// would outgrow 2047 letters is cut before the first byte whose letters no longer fit, so one letter's output is never
// split. Returns the text's length.
std::size_t CopyTransliterated(std::span<const char> source, TagText& text);

// The text up to its terminating zero (the whole array if a caller left it unterminated).
std::string_view TextOf(const TagText& text);

}  // namespace tags
