#include "FileSystem.h"
#include "Path.h"
#include "TemporaryFile.h"

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
