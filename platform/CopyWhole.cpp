#include "FileSystem.h"
#include "Path.h"
#include "Replacement.h"

bool CopyWhole(IFileSystem& fs, const std::string& from, const std::string& to, CFileError& error) {
    // Windows refuses to replace a read-only file, and so does Kelvara everywhere.
    const auto target = fs.InfoOf(to, false);
    if (target && target->eKind == EFileKind::Regular && !fs.CanWrite(to, error)) {
        return false;
    }
    CReplacement copy(fs, to);
    if (!copy.CreateCopyOf(from) || !copy.Flush() || !copy.Commit()) {
        error = copy.Error();
        return false;
    }
    CFileError unflushed;  // the copy is in place all the same; only a power cut could take it back
    fs.FlushFolder(FolderPrefix(to), unflushed);
    return true;
}
