#include "TagInvariants.h"

#include "TempFolder.h"

namespace {

// The fuzzer's seeds and every input it ever failed on, replayed through the same checks in the regular suite.
TEST(FuzzRegression, KeptInputsKeepEveryTagInvariant) {
    const auto files = FilesIn({KELVARA_FUZZ_CORPUS_DIR, KELVARA_FUZZ_REGRESSIONS_DIR});
    EXPECT_GE(files.size(), 11u);  // ten seeds and one finding at least: a missing folder must not pass silently
    for (const auto& [path, bytes] : files) {
        EXPECT_EQ(tagcheck::FindBrokenInvariant(bytes), std::nullopt) << path;
    }
}

}  // namespace
