#include "FrameData.h"

#include "ByteFields.h"

#include <zlib.h>

namespace tags {
namespace {

// v2.3 flags: the extra bytes follow the header in the order decompressed size, encryption method, group.
constexpr std::uint8_t kV23Compressed = 0x80;
constexpr std::uint8_t kV23Encrypted = 0x40;
constexpr std::uint8_t kV23Grouped = 0x20;
// v2.4 flags: the extra bytes follow in the order group, encryption method, data length.
constexpr std::uint8_t kV24Grouped = 0x40;
constexpr std::uint8_t kV24Compressed = 0x08;
constexpr std::uint8_t kV24Encrypted = 0x04;
constexpr std::uint8_t kV24Unsynchronised = 0x02;
constexpr std::uint8_t kV24DataLength = 0x01;

struct Layout {
    std::size_t skipped = 0;  // extra bytes before the data
    bool compressed = false;
    bool encrypted = false;
};

Layout LayoutOf(const FrameFormat& format) {
    const std::uint8_t flags = format.flags;
    if (format.version == 3) {
        const bool compressed = (flags & kV23Compressed) != 0;
        return {(compressed ? 4u : 0u) + ((flags & kV23Grouped) != 0 ? 1u : 0u), compressed,
                (flags & kV23Encrypted) != 0};
    }
    if (format.version == 4) {
        return {((flags & kV24Grouped) != 0 ? 1u : 0u) + ((flags & kV24DataLength) != 0 ? 4u : 0u),
                (flags & kV24Compressed) != 0, (flags & kV24Encrypted) != 0};
    }
    return {};  // v2.2 frames have no flags
}

// Each FF 00 becomes FF, in one pass.
std::vector<char> Resynchronised(std::span<const char> stored) {
    std::vector<char> restored;
    restored.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        restored.push_back(stored[i]);
        if (ByteAt(stored, i) == 0xFF && i + 1 < stored.size() && stored[i + 1] == 0) {
            ++i;
        }
    }
    return restored;
}

// Inflates up to kMaxFrameContent bytes; a stream cut short keeps what it gave (frames are read only so far).
std::optional<std::vector<char>> Inflated(std::span<const char> data) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return std::nullopt;
    }
    std::vector<char> out(kMaxFrameContent);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    out.resize(out.size() - stream.avail_out);
    inflateEnd(&stream);
    if (result != Z_STREAM_END && result != Z_BUF_ERROR && result != Z_OK) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::vector<char>> FrameData(std::span<const char> stored, const FrameFormat& format) {
    const Layout layout = LayoutOf(format);
    if (layout.encrypted) {
        return std::nullopt;
    }
    const bool unsynchronised =
        format.version == 4 && (format.tagUnsynchronised || (format.flags & kV24Unsynchronised) != 0);
    std::vector<char> data = unsynchronised ? Resynchronised(stored) : std::vector<char>(stored.begin(), stored.end());
    if (layout.skipped > data.size()) {
        return std::nullopt;
    }
    data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(layout.skipped));
    if (layout.compressed) {
        return Inflated(data);
    }
    return data;
}

}  // namespace tags
