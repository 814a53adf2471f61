#include "BatchConversion.h"

#include "Path.h"

std::string ConvertFolder(CTagConverter& converter,
                          IFileSystem& fs,
                          const std::string& outDir,
                          const CShowProgress& showProgress) {
    // An empty name would make the pattern name the root folder of the drive.
    if (outDir.empty()) {
        return "ERROR: no out folder is configured";
    }
    // One writer per folder: two would mix their work. The lock also guards the clean-up, which without it
    // could take a temporary file that another process is still writing.
    const CFolderLock lock = fs.LockFolder(outDir);
    if (lock.bBusy) {
        converter.WriteLog(BusyFolderText(outDir));
        return BusyFolderText(outDir);
    }
    if (lock.pHold) {
        RemoveLeftoverTemporaries(fs, outDir);
    }
    // A snapshot of the names: the rewrite renames files while the walk goes on.
    const auto matches = fs.Find(JoinPath(outDir, "*.mp3"));
    if (!matches) {
        return "ERROR: could not search the out folder " + outDir;
    }
    if (matches->empty()) {
        return "EDIT ID3's: no MP3 file in " + outDir;
    }
    const CTagConverter::CBatch batch(converter);
    const std::string total = std::to_string(matches->size());
    std::size_t done = 0;
    for (const CFindData& match : *matches) {
        showProgress("EDIT ID3's: " + std::to_string(++done) + "/" + total + " " + match.strName);
        const std::string path = JoinPath(outDir, match.strName);
        // Decided by the entry itself: a link leads out of the folder, and a special file may block or have
        // side effects on being opened.
        if (match.eKind == EFileKind::Link || match.eKind == EFileKind::Special) {
            converter.LeaveUnconverted(path, match.eKind);
        } else {
            converter.ConvertFile(path, match.strName);
        }
    }
    return converter.m_strStatus;
}
