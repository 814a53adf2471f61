#include "TagStream.h"

#include <algorithm>

namespace tags {

CTagStream::CTagStream(const ReadBytesAt& read, std::uint64_t start, std::uint64_t end, bool resynchronise)
    : m_read(read), m_next(std::min(start, end)), m_end(end), m_resynchronise(resynchronise) {}

bool CTagStream::Refill() {
    if (m_next >= m_end) {
        return false;
    }
    m_buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, m_end - m_next)));
    m_filled = m_read(m_next, m_buffer);
    m_used = 0;
    // A source that gives out early ends the range there.
    m_end = m_filled == m_buffer.size() ? m_end : m_next + m_filled;
    m_next += m_filled;
    return m_filled != 0;
}

bool CTagStream::NextByte(char& byte) {
    while (true) {
        if (m_used == m_filled && !Refill()) {
            return false;
        }
        byte = m_buffer[m_used++];
        const bool dropped = m_resynchronise && m_afterFF && byte == '\0';
        m_afterFF = m_resynchronise && !dropped && static_cast<unsigned char>(byte) == 0xFF;
        if (!dropped) {
            return true;
        }
    }
}

bool CTagStream::Read(std::span<char> into) {
    if (!m_resynchronise) {
        std::size_t done = 0;
        while (done < into.size()) {
            if (m_used == m_filled && !Refill()) {
                return false;
            }
            const std::size_t count = std::min(into.size() - done, m_filled - m_used);
            std::copy_n(m_buffer.data() + m_used, count, into.data() + done);
            m_used += count;
            done += count;
        }
        return true;
    }
    return std::all_of(into.begin(), into.end(), [this](char& byte) { return NextByte(byte); });
}

bool CTagStream::Skip(std::uint64_t count) {
    if (!m_resynchronise) {
        const std::uint64_t buffered = std::min<std::uint64_t>(count, m_filled - m_used);
        m_used += static_cast<std::size_t>(buffered);
        count -= buffered;
        if (count > m_end - m_next) {
            m_next = m_end;
            return false;
        }
        m_next += count;  // never read
        return true;
    }
    char byte = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!NextByte(byte)) {
            return false;
        }
    }
    return true;
}

}  // namespace tags
