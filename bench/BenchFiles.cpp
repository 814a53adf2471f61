#include "BenchFiles.h"

#include <cstdint>
#include <fstream>
#include <random>
#include <string_view>

namespace {

using CBytes = std::string;

CBytes BigEndian(std::uint32_t value, int count) {
    CBytes bytes;
    for (int shift = 8 * (count - 1); shift >= 0; shift -= 8) {
        bytes += static_cast<char>((value >> shift) & 0xFFu);
    }
    return bytes;
}

CBytes Synchsafe(std::uint32_t value) {
    CBytes bytes;
    for (int shift = 21; shift >= 0; shift -= 7) {
        bytes += static_cast<char>((value >> shift) & 0x7Fu);
    }
    return bytes;
}

CBytes Frame(int version, std::string_view id, const CBytes& content) {
    const auto size = static_cast<std::uint32_t>(content.size());
    if (version == 2) {
        return CBytes(id) + BigEndian(size, 3) + content;
    }
    return CBytes(id) + (version == 4 ? Synchsafe(size) : BigEndian(size, 4)) + CBytes(2, '\0') + content;
}

CBytes TagV2(int version, const CBytes& frames) {
    return CBytes("ID3") + static_cast<char>(version) + CBytes(2, '\0') +
           Synchsafe(static_cast<std::uint32_t>(frames.size())) + frames;
}

CBytes TagV1(std::string_view title, std::string_view artist) {
    CBytes tag = "TAG" + CBytes(125, ' ');
    tag.replace(3, title.size(), title);
    tag.replace(33, artist.size(), artist);
    return tag;
}

const CBytes kCyrillicTitle = "\xCF\xF7\xE5\xEB\xE0 \xE8 \xF8\xEC\xE5\xEB\xFC";  // Windows-1251
const CBytes kUtf8Title = "\xD0\x9F\xD1\x87\xD0\xB5\xD0\xBB\xD0\xB0";
const CBytes kUtf16Title = CBytes("\xFF\xFE\x1F\x04\x47\x04\x35\x04\x3B\x04\x30\x04", 12);

// Front and back tags for the nth file.
std::pair<CBytes, CBytes> TagsFor(std::size_t n) {
    switch (n % 6) {
        case 0:
            return {};
        case 1:
            return {{}, TagV1(kCyrillicTitle, "\xC6\xF3\xEA")};
        case 2:
            return {TagV2(2, Frame(2, "TT2", '\0' + kCyrillicTitle) + Frame(2, "TP1", CBytes("\0Zhuk", 5))), {}};
        case 3: {
            const CBytes picture = CBytes("\0image/jpeg\0\3\0", 14) + CBytes(100 * 1024, '\x77');
            return {TagV2(3, Frame(3, "TIT2", '\0' + kCyrillicTitle) + Frame(3, "APIC", picture) + CBytes(4096, '\0')),
                    {}};
        }
        case 4:
            return {TagV2(3, Frame(3, "TIT2", '\1' + kUtf16Title) + Frame(3, "TPE1", '\1' + kUtf16Title)),
                    TagV1("old", "old")};
        default:
            return {TagV2(4, Frame(4, "TIT2", '\3' + kUtf8Title) + Frame(4, "TALB", '\3' + CBytes(300, 'a'))), {}};
    }
}

}  // namespace

std::vector<std::string> MakeBenchFiles(const std::string& folder, std::size_t count, std::size_t kilobytes) {
    std::mt19937 random(12345);
    CBytes audio(kilobytes << 10, '\0');
    std::vector<std::string> names;
    for (std::size_t n = 0; n < count; ++n) {
        for (std::size_t i = 0; i < audio.size(); i += 4096) {
            audio[i] = static_cast<char>(random());  // no two files alike
        }
        const auto [front, back] = TagsFor(n);
        names.push_back("song" + std::to_string(n) + ".mp3");
        std::ofstream out(folder + "/" + names.back(), std::ios::binary);
        out << front << audio << back;
    }
    return names;
}
