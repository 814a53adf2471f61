#pragma once

#include <cstdint>
#include <span>

namespace tags {

// Turns the Windows-1251 byte that the caller stored at `position` into 0-3 Latin capitals, in place, and
// returns the next output position. Zero bytes write nothing, so the next stored byte overwrites them and the
// text closes up. Ы, Э, ы, э and every byte below 0xC0 stay as they are.
//
// Never writes outside `text`: when the letters do not fit before its end (or `position` lies outside it),
// nothing is written and `position` is returned, so the caller's terminating zero lands on the stored byte and
// the text is cut there rather than split inside one letter's output.
std::int32_t Transliterate(std::span<char> text, std::int32_t position);

}  // namespace tags
