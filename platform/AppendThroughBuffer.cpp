#include "FileSystem.h"

#include <algorithm>
#include <vector>

// One buffer of at most 1 MB, reused: the memory used stays the same whatever the size.
std::uint64_t AppendThroughBuffer(IFile& from,
                                  std::uint64_t offset,
                                  std::uint64_t size,
                                  IFile& to,
                                  CFileError& error) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{1} << 20)));
    std::uint64_t done = 0;
    while (done < size) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, buffer.size()));
        const std::size_t got = from.ReadAt(offset + done, std::span<char>(buffer.data(), want));
        const std::size_t put = to.Write(std::span<const char>(buffer.data(), got));
        done += put;
        if (got != want || put != got) {
            error = got != want ? from.Error() : to.Error();
            break;
        }
    }
    return done;
}
