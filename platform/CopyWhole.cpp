#include "FileSystem.h"
#include "Path.h"
#include "Replacement.h"

bool CopyWhole(IFileSystem& fs, const std::string& from, const std::string& to) {
    // Windows refuses to replace a read-only file, and so does Kelvara everywhere.
    const auto target = fs.InfoOf(to, false);
    if (target && target->eKind == EFileKind::Regular && !fs.CanWrite(to)) {
        return false;
    }
    CReplacement copy(fs, to);
    if (!copy.CreateCopyOf(from) || !copy.Flush() || !copy.Commit()) {
        copy.Abandon();
        NoteSystemError(copy.Error().strReason, copy.Error().bNoSpace);  // for the caller's message
        return false;
    }
    fs.FlushFolder(FolderPrefix(to));  // so that a COPY reported as done survives a power cut
    return true;
}
