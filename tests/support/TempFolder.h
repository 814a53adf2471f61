#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder per test, made the working directory for the test's length.
class CTempFolderTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Absolute path of a name inside the folder.
    std::string PathOf(const std::string& name) const;

    std::filesystem::path m_folder;

  private:
    std::filesystem::path m_previous;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// Every file in the folders (a fuzzer's seeds and kept findings), as its path and its bytes.
std::vector<std::pair<std::string, std::string>> FilesIn(const std::vector<std::string>& folders);
// The lines of the activity log in the working directory, without their line breaks.
std::vector<std::string> LogLines();
