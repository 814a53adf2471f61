#include "FileSystem.h"
#include "Path.h"
#include "TemporaryFile.h"

#include <algorithm>
#include <vector>

std::uint64_t CopyRangeThroughBuffer(IFile& from, std::uint64_t offset, std::uint64_t size, IFile& to) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{1} << 20)));
    std::uint64_t done = 0;
    while (done < size) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, buffer.size()));
        const std::size_t got = from.ReadAt(offset + done, std::span<char>(buffer.data(), want));
        const std::size_t put = to.Write(std::span<const char>(buffer.data(), got));
        done += put;
        if (got != want || put != got) {
            break;
        }
    }
    return done;
}

// For a power cut the order is what counts: the copy's bytes are flushed before the rename makes them the
// destination's, so the rename can never reach the disk ahead of the content it names.
bool CopyWhole(IFileSystem& fs, const std::string& from, const std::string& to) {
    // Windows refuses to replace a read-only file, and so does Kelvara everywhere.
    const auto target = fs.InfoOf(to, false);
    if (target && target->eKind == EFileKind::Regular && !fs.CanWrite(to)) {
        return false;
    }
    CTemporaryFile temporary(fs, TemporaryPathFor(to));
    {
        const CFileHandle copy = fs.CopyToNew(from, temporary.Path());
        if (!copy || !copy->Flush()) {
            return false;
        }
    }  // closed before the rename, which Windows needs
    if (!fs.Rename(temporary.Path(), to)) {
        return false;
    }
    temporary.HandOver();
    return true;
}

void RemoveLeftoverTemporaries(IFileSystem& fs, const std::string& folder, const std::string& name) {
    const std::string pattern = name.empty() ? kTemporaryNamePattern : TemporaryNamePatternFor(name);
    if (const auto leftovers = fs.Find(JoinPath(folder, pattern))) {
        for (const CFindData& leftover : *leftovers) {
            if (leftover.eKind == EFileKind::Regular) {
                fs.Delete(JoinPath(folder, leftover.strName));
            }
        }
    }
}
