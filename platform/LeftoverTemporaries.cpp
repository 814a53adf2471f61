#include "FileSystem.h"
#include "Path.h"

void RemoveLeftoverTemporaries(IFileSystem& fs, const std::string& folder, const std::string& name) {
    const std::string pattern = name.empty() ? kTemporaryNamePattern : TemporaryNamePatternFor(name);
    if (const auto leftovers = fs.Find(JoinPath(folder, pattern))) {
        for (const CFindData& leftover : *leftovers) {
            if (leftover.eKind == EFileKind::Regular) {
                CFileError ignored;  // left for the next run
                fs.Delete(JoinPath(folder, leftover.strName), ignored);
            }
        }
    }
}
