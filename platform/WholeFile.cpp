#include "WholeFile.h"

EReadResult ReadWholeFile(IFileSystem& fs, const std::string& path, std::vector<char>& data) {
    data.clear();
    CFileError ignored;  // the caller's message names the file, as it always has
    CFileHandle file = fs.OpenRead(path, ignored);
    if (!file) {
        return EReadResult::OpenFailed;
    }
    const std::optional<std::uint64_t> size = file->Size();
    if (!size || *size > kMaxWholeFileSize) {
        return EReadResult::ReadFailed;
    }
    data.resize(static_cast<std::size_t>(*size));
    if (file->Read(data) != data.size()) {
        data.clear();
        return EReadResult::ReadFailed;
    }
    return EReadResult::Ok;
}
