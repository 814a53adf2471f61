#include "BatchConversion.h"

#include "Path.h"

namespace {

void RemoveLeftoverTemporaries(IFileSystem& fs, const std::string& outDir) {
    if (const auto leftovers = fs.Find(JoinPath(outDir, kTemporaryNamePattern))) {
        for (const CFindData& leftover : *leftovers) {
            if (!leftover.bFolder) {
                fs.Delete(JoinPath(outDir, leftover.strName));
            }
        }
    }
}

}  // namespace

std::string ConvertFolder(CTagConverter& converter,
                          IFileSystem& fs,
                          const std::string& outDir,
                          const CShowProgress& showProgress) {
    // An empty name would make the pattern name the root folder of the drive.
    if (outDir.empty()) {
        return "ERROR: no out folder is configured";
    }
    RemoveLeftoverTemporaries(fs, outDir);
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
        converter.ConvertFile(JoinPath(outDir, match.strName), match.strName);
    }
    return converter.m_strStatus;
}
