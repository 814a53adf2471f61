#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>

namespace tags {

// Where tag bytes come from: fills `into` with the bytes at `offset` and returns how many it could read. A song
// is read through one of these rather than whole, so that a tag of any size costs no more memory than the few
// bytes that are actually wanted from it.
using ReadBytesAt = std::function<std::size_t(std::uint64_t offset, std::span<char> into)>;

// Reads from bytes already in memory.
inline ReadBytesAt ReaderOf(std::span<const char> bytes) {
    return [bytes](std::uint64_t offset, std::span<char> into) -> std::size_t {
        if (offset >= bytes.size()) {
            return 0;
        }
        const std::size_t count = std::min(into.size(), bytes.size() - static_cast<std::size_t>(offset));
        std::memcpy(into.data(), bytes.data() + offset, count);
        return count;
    };
}

}  // namespace tags
