#include "Path.h"

#include "FileSystem.h"

#include <atomic>

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + kPathSeparator + name;
}

bool IsAbsolutePath(const std::string& path) {
    if (path.empty()) {
        return false;
    }
#ifdef _WIN32
    // Rooted (\dir, \\server) or carrying a drive (C:\dir, and C:dir, which names the drive's own folder).
    return IsSeparator(path[0]) || (path.size() >= 2 && path[1] == ':');
#else
    return IsSeparator(path[0]);
#endif
}

std::string FolderPrefix(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) {
            return path.substr(0, i);
        }
    }
    return {};
}

std::string ResolveAgainst(const std::string& baseFile, const std::string& path) {
    if (IsAbsolutePath(path)) {
        return path;
    }
    return FolderPrefix(baseFile) + path;
}

std::string TemporaryPathFor(const std::string& path) {
    const std::string folder = FolderPrefix(path);
    static std::atomic<std::uint64_t> counter{0};
    return folder + "." + path.substr(folder.size()) + "." + std::to_string(CurrentProcessId()) + "-" +
           std::to_string(counter++) + ".kelvara-tmp";
}

std::string TemporaryNamePatternFor(const std::string& name) {
    return "." + name + ".*.kelvara-tmp";
}
