#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <utility>

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

// Serves each read that lies wholly within the file's first bytes `head` or its last bytes `tail` from them, and
// only the others from `file`: finding a song's tags asks for many small pieces of its two ends.
inline ReadBytesAt WithEndsInMemory(std::span<const char> head,
                                    std::span<const char> tail,
                                    std::uint64_t fileSize,
                                    ReadBytesAt file) {
    return [head, tail, fileSize, file = std::move(file)](std::uint64_t offset, std::span<char> into) {
        if (offset + into.size() <= head.size()) {
            return ReaderOf(head)(offset, into);
        }
        const std::uint64_t tailStart = fileSize - tail.size();
        if (offset >= tailStart && offset + into.size() <= fileSize) {
            return ReaderOf(tail)(offset - tailStart, into);
        }
        return file(offset, into);
    };
}

}  // namespace tags
