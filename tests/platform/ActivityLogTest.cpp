#include "ActivityLog.h"
#include "TempFolder.h"

#include <filesystem>

namespace {

using ActivityLogTest = CTempFolderTest;

TEST_F(ActivityLogTest, EachTextBecomesOneLineAsItStands) {
    AppendLogLine("OUT DIR:out");
    AppendLogLine("");
    AppendLogLine("two\nlines");
    AppendLogLine("100% done %s");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"OUT DIR:out", "", "two", "lines", "100% done %s"}));
}

TEST_F(ActivityLogTest, EmptyingStartsTheLogAfresh) {
    AppendLogLine("old run");
    EmptyLog();
    EXPECT_EQ(ReadFileBytes(kLogFileName), "");
    AppendLogLine("new run");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"new run"});
}

TEST_F(ActivityLogTest, ALogThatCannotBeOpenedIsSkipped) {
    std::filesystem::create_directory(kLogFileName);
    AppendLogLine("lost");
    EmptyLog();
    EXPECT_TRUE(std::filesystem::is_directory(kLogFileName));
    EXPECT_TRUE(std::filesystem::is_empty(kLogFileName));
}

}  // namespace
