#pragma once

#include <span>

// Editors on Windows often start UTF-8 text with a byte-order mark; it is no part of the first line.
inline std::span<const char> WithoutByteOrderMark(std::span<const char> data) {
    if (data.size() >= 3 && data[0] == '\xEF' && data[1] == '\xBB' && data[2] == '\xBF') {
        return data.subspan(3);
    }
    return data;
}
