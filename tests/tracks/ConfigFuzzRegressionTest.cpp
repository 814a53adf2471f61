#include "ConfigInvariants.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The configuration fuzzer's seeds and every input it ever failed on, replayed through the same checks in the
// regular suite. One table serves them all, as in the fuzzer, so a check that leaves it dirty shows here too.
TEST(ConfigFuzzRegression, KeptInputsKeepEveryConfigInvariant) {
    const auto table = std::make_unique<CEntryTable>();
    int checked = 0;
    for (const std::filesystem::path folder : {KELVARA_CONFIG_FUZZ_CORPUS_DIR, KELVARA_CONFIG_FUZZ_REGRESSIONS_DIR}) {
        ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (!entry.is_regular_file() || name.starts_with(".") || name.starts_with("README")) {
                continue;
            }
            const std::vector<char> input = ReadBytes(entry.path());
            ASSERT_EQ(input.size(), entry.file_size()) << name;
            EXPECT_EQ(configcheck::FindBrokenInvariant(input, *table), std::nullopt) << name;
            ++checked;
        }
    }
    EXPECT_GE(checked, 12);  // the twelve seeds at least: a missing folder must not pass silently
}

TEST(ConfigFuzzRegression, InputSplitsAtTheFirstTwoSeparators) {
    const std::string input = "ini\n~~~~\nlist\n~~~~\n7\n~~~~\n";
    const auto pieces = configcheck::SplitInput(input);
    EXPECT_EQ(pieces.ini, "ini");
    EXPECT_EQ(pieces.playlist, "list");
    EXPECT_EQ(pieces.numberText, "7\n~~~~\n");
    const auto iniOnly = configcheck::SplitInput(std::string_view("ini\n~~~"));
    EXPECT_EQ(iniOnly.ini, "ini\n~~~");
    EXPECT_EQ(iniOnly.playlist, "");
    EXPECT_EQ(iniOnly.numberText, "");
}

}  // namespace
