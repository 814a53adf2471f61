// Writes a folder of generated songs (every tag form, Cyrillic titles, pictures and padding) for
// scripts/bench, which times whole programs over copies of them.
// Usage: kelvara_make_songs FOLDER COUNT SIZE   (SIZE as 5M or 512K)

#include "BenchFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// "512K" is 512 KB; "5M" or a plain "5" is 5 MB; 0 when the text holds no number.
std::size_t KilobytesOf(const std::string& size) {
    const std::size_t number = std::strtoul(size.c_str(), nullptr, 10);
    return size.ends_with('K') ? number : number << 10;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER COUNT SIZE (e.g. 5M or 512K)\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::size_t count = std::strtoul(argv[2], nullptr, 10);
    const std::size_t kilobytes = KilobytesOf(argv[3]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || count == 0 || kilobytes == 0) {
        std::fprintf(stderr, "cannot make %s songs of %s in %s\n", argv[2], argv[3], folder.c_str());
        return 1;
    }
    const auto names = MakeBenchFiles(folder, count, kilobytes);
    for (const std::string& name : names) {
        if (std::filesystem::file_size(folder + "/" + name, error) < (kilobytes << 10) || error) {
            std::fprintf(stderr, "could not write %s/%s\n", folder.c_str(), name.c_str());
            return 1;
        }
    }
    return 0;
}
