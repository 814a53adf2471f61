#include "ActivityLog.h"
#include "TempFolder.h"

#include <filesystem>

namespace {

using ActivityLogTest = CTempFolderTest;

TEST_F(ActivityLogTest, EachTextBecomesOneLineWithItsControlCharactersEscaped) {
    AppendLogLine("OUT DIR:out");
    AppendLogLine("");
    AppendLogLine("ID3 EDITED - out/two\nlines\r\t\x01\x1F.mp3 \\ \xCF");
    AppendLogLine("100% done %s");
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"OUT DIR:out", "", "ID3 EDITED - out/two\\nlines\\r\\t\\x01\\x1F.mp3 \\ \xCF",
                                        "100% done %s"}));
}

TEST_F(ActivityLogTest, ALogThatCannotBeOpenedIsSkipped) {
    std::filesystem::create_directory(kLogFileName);
    AppendLogLine("lost");
    EmptyLog();
    EXPECT_TRUE(std::filesystem::is_directory(kLogFileName));
    EXPECT_TRUE(std::filesystem::is_empty(kLogFileName));
}

}  // namespace
