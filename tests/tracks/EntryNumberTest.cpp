#include "EntryNumber.h"

#include <gtest/gtest.h>

namespace {

std::string ErrorFor(const std::string& text, std::int32_t count) {
    const auto result = EntryIndexFromText(text, count);
    return std::holds_alternative<std::string>(result) ? std::get<std::string>(result)
                                                       : "index " + std::to_string(std::get<std::int32_t>(result));
}

TEST(EntryNumberTest, NumbersCountFromOneUpToTheCount) {
    EXPECT_EQ(ErrorFor("1", 3), "index 0");
    EXPECT_EQ(ErrorFor("3", 3), "index 2");
    EXPECT_EQ(ErrorFor("0010", 20000), "index 9");
    EXPECT_EQ(ErrorFor("4", 3), "ERROR: too big number");
    EXPECT_EQ(ErrorFor("1", 0), "ERROR: too big number");
}

TEST(EntryNumberTest, NumbersThatAddressNoEntryAreRefused) {
    EXPECT_EQ(ErrorFor("", 3), "ERROR: no number");
    EXPECT_EQ(ErrorFor("0", 3), "ERROR: too small number");
    EXPECT_EQ(ErrorFor("000", 3), "ERROR: too small number");
    EXPECT_EQ(ErrorFor("-1", 3), "ERROR: not a number: -1");
    EXPECT_EQ(ErrorFor("1 ", 3), "ERROR: not a number: 1 ");
    EXPECT_EQ(ErrorFor("/", 3), "ERROR: not a number: /");
    EXPECT_EQ(ErrorFor("2147483647", 20000), "ERROR: too big number");
    EXPECT_EQ(ErrorFor("2147483648", 20000), "ERROR: too big number") << "past 32 bits";
    EXPECT_EQ(ErrorFor("4294967297", 20000), "ERROR: too big number") << "would wrap to 1";
    EXPECT_EQ(ErrorFor(std::string(99, '0'), 3), "ERROR: too small number");
    EXPECT_EQ(ErrorFor(std::string(98, '0') + "2", 3), "index 1") << "99 characters still fit";
    EXPECT_EQ(ErrorFor(std::string(99, '0') + "1", 3), "ERROR: too big number") << "100 characters do not";
}

}  // namespace
