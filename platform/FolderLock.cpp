#include "ActivityLog.h"
#include "FileSystem.h"

CFolderLock LockFolderForCommand(IFileSystem& fs, const std::string& folder) {
    CFolderLock lock = fs.LockFolder(folder);
    if (!lock.bBusy && !lock.pHold) {
        // A folder that is not there yet gets no word: the command itself fails on it.
        const auto info = fs.InfoOf(folder.empty() ? "." : folder, true);
        if (info && info->eKind == EFileKind::Folder) {
            AppendLogLine("warning: " + folder + " cannot be locked; another Kelvara there would not be noticed");
        }
    }
    return lock;
}
