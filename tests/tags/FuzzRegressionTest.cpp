#include "TagInvariants.h"

#include "TempFolder.h"

#include <filesystem>

namespace {

// The fuzzer's seeds and every input it ever failed on, replayed through the same checks in the regular suite.
TEST(FuzzRegression, KeptInputsKeepEveryTagInvariant) {
    int checked = 0;
    for (const std::filesystem::path folder : {KELVARA_FUZZ_CORPUS_DIR, KELVARA_FUZZ_REGRESSIONS_DIR}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string file = ReadFileBytes(Utf8Path(entry.path()));
            ASSERT_EQ(file.size(), entry.file_size()) << entry.path();
            EXPECT_EQ(tagcheck::FindBrokenInvariant(file), std::nullopt) << entry.path();
            ++checked;
        }
    }
    EXPECT_GE(checked, 11);  // ten seeds and one finding at least: a missing folder must not pass silently
}

}  // namespace
