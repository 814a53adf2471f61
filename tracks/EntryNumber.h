#pragma once

#include <cstdint>
#include <string>
#include <variant>

// Longer number texts are refused outright.
inline constexpr std::size_t kMaxNumberLength = 99;

// The table index (number - 1) of an entry number as the user typed it, checked against the
// number of entries; or the error text to report. Leading zeros are allowed ("0010" is 10).
std::variant<std::int32_t, std::string> EntryIndexFromText(const std::string& text, std::int32_t count);
