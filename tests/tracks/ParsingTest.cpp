#include "ConfigFile.h"
#include "ConfigInvariants.h"
#include "EntryNumber.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

// The configuration fuzzer's seeds and every input it ever failed on, replayed through the same checks in the
// regular suite: the configuration's fields, the playlist's entries and the entry number's index, each against a
// plain reference, for line breaks of every kind, blank and comment lines, byte-order marks and overlong lines.
// One table serves them all, as in the fuzzer, so a check that leaves it dirty shows here too.
TEST(ConfigFuzzRegression, KeptInputsKeepEveryConfigInvariant) {
    const auto table = std::make_unique<CEntryTable>();
    const auto files = FilesIn({KELVARA_ROOT "/fuzz/config-corpus", KELVARA_ROOT "/fuzz/config-regressions"});
    EXPECT_GE(files.size(), 13u);              // the thirteen seeds at least: a missing folder must not pass silently
    for (const auto& [path, bytes] : files) {  // any bytes at all, a README included, must keep the invariants
        EXPECT_EQ(configcheck::FindBrokenInvariant(bytes, *table), std::nullopt) << path;
    }
}

// What the seeds leave out: a line of spaces is no blank line, and an empty file has no fields.
TEST(ConfigFileTest, KeepsEveryByteOfAField) {
    for (const auto& [text, outDir, playlist] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"   \n\tmy list.m3u \r\nthird", "   ", "\tmy list.m3u "}, {"", "", ""}}) {
        const CConfig config = ParseConfig(std::span<const char>(text.data(), text.size()));
        EXPECT_EQ(std::pair(config.strOutDir, config.strPlaylist), std::pair(outDir, playlist)) << text;
    }
}

// The seeds check which texts name an entry; these, the reason given for each that does not.
TEST(EntryNumberTest, NumbersCountFromOneAndOthersAreRefusedWithTheirReason) {
    const std::vector<std::tuple<std::string, std::int32_t, std::string>> cases = {
        {"0010", 20000, "index 9"},
        {std::string(98, '0') + "2", 3, "index 1"},  // 99 characters still fit
        {std::string(99, '0'), 3, "ERROR: too small number"},
        {"-1", 3, "ERROR: not a number: -1"},
        {"1 ", 3, "ERROR: not a number: 1 "},
        {"/", 3, "ERROR: not a number: /"},
        {"2147483648", 20000, "ERROR: too big number"},            // past 32 bits
        {std::string(99, '0') + "1", 3, "ERROR: too big number"},  // 100 characters do not fit
    };
    for (const auto& [text, count, expected] : cases) {
        const auto result = EntryIndexFromText(text, count);
        const std::string* error = std::get_if<std::string>(&result);
        EXPECT_EQ(error ? *error : "index " + std::to_string(std::get<std::int32_t>(result)), expected) << text;
    }
}

}  // namespace
