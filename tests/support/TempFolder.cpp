#include "TempFolder.h"

#include "ActivityLog.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

void CTempFolderTest::SetUp() {
    m_previous = std::filesystem::current_path();
    std::random_device random;
    do {
        m_folder = std::filesystem::temp_directory_path() / ("kelvara-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(m_folder));
    std::filesystem::current_path(m_folder);
}

void CTempFolderTest::TearDown() {
    EndLog();  // a log kept open would stay in this folder for the next test
    std::filesystem::current_path(m_previous);
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);  // read-only test files
    }
    std::filesystem::remove_all(m_folder, ignored);
}

namespace {

// Paths in tests are UTF-8, as inside Kelvara (on POSIX the standard library passes their bytes as they are).
std::filesystem::path FsPath(const std::string& path) {
    return std::u8string(path.begin(), path.end());
}

}  // namespace

std::string CTempFolderTest::PathOf(const std::string& name) const {
    const std::u8string path = (m_folder / FsPath(name)).u8string();
    return std::string(path.begin(), path.end());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::pair<std::string, std::string>> FilesIn(const std::vector<std::string>& folders) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& folder : folders) {
        for (const auto& entry : std::filesystem::directory_iterator(FsPath(folder))) {
            if (entry.is_regular_file()) {
                const std::u8string name = entry.path().u8string();
                const std::string path(name.begin(), name.end());
                EXPECT_EQ(files.emplace_back(path, ReadFileBytes(path)).second.size(), entry.file_size()) << path;
            }
        }
    }
    return files;
}

std::vector<std::string> LogLines() {
    std::istringstream log(ReadFileBytes("Kelvara.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));  // Windows writes the log in text mode
    }
    return lines;
}
