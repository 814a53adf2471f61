#include "TagInvariants.h"

#include "FileSystem.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The fuzzer's seeds and every input it ever failed on, replayed through the same checks in the regular suite.
TEST(FuzzRegression, KeptInputsKeepEveryTagInvariant) {
    IFileSystem& fs = DefaultFileSystem();
    int checked = 0;
    for (const std::string folder : {KELVARA_FUZZ_CORPUS_DIR, KELVARA_FUZZ_REGRESSIONS_DIR}) {
        const auto found = fs.Find(folder + "/*");
        ASSERT_TRUE(found) << folder;
        for (const CFindData& entry : *found) {
            if (entry.IsFolder()) {
                continue;
            }
            std::vector<char> file;
            ASSERT_EQ(ReadWholeFile(fs, folder + "/" + entry.strName, file), EReadResult::Ok) << entry.strName;
            EXPECT_EQ(tagcheck::FindBrokenInvariant(file), std::nullopt) << entry.strName;
            ++checked;
        }
    }
    EXPECT_GE(checked, 11);  // ten seeds and one finding at least: a missing folder must not pass silently
}

}  // namespace
