#pragma once

#include "ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tags {

// Reads the bytes of [start, end) in order through a small buffer, so that skipping a 200 MB picture costs no
// more memory than reading a title. With `resynchronise`, each FF 00 comes out as FF: the unsynchronisation of
// a whole v2.2 or v2.3 tag, whose frame sizes count the restored bytes, is undone as the bytes go by.
class CTagStream {
  public:
    CTagStream(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end, bool resynchronise);

    // Fills `into` whole; false when the range (or the source) ends first.
    bool Read(std::span<char> into);
    // Passes over `count` bytes as they come out; false when the range ends first.
    bool Skip(std::uint64_t count);
    // The stored bytes left: never fewer than the bytes that can still come out.
    std::uint64_t StoredLeft() const { return m_end - m_next + (m_filled - m_used); }

  private:
    bool NextByte(char& byte);
    bool Refill();

    static constexpr std::size_t kBufferSize = 16 * 1024;
    const ReadBytesAt& m_read;
    std::uint64_t m_next;  // where the next refill reads
    std::uint64_t m_end;
    bool m_resynchronise;
    bool m_afterFF = false;
    std::vector<char> m_buffer;
    std::size_t m_filled = 0;
    std::size_t m_used = 0;
};

}  // namespace tags
