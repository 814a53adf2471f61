#include "ActivityLog.h"
#include "LogFile.h"
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

// Another Kelvara's claim, taken here through a second opening of the log, as that process would take it.
TEST_F(ActivityLogTest, ASecondKelvaraNeitherEmptiesTheFirstOnesLogNorWritesIntoIt) {
    WriteFileBytes(kLogFileName, "the first one's start\n");
    COpenedLog first = OpenLogFile(kLogFileName);
    ASSERT_EQ(first.eResult, ELogOpen::Opened);
    EXPECT_EQ(StartLog(), ELogStart::Busy);
    EXPECT_EQ(LogStartProblem(ELogStart::Busy), "ERROR: another Kelvara is using Kelvara.log here; nothing is logged");
    AppendLogLine("the second one's line");
    first.pFile->AppendLine("the first one's end");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"the first one's start", "the first one's end"}));

    first.pFile.reset();  // the first one ends
    EXPECT_EQ(StartLog(), ELogStart::Started);
    EXPECT_TRUE(LogLines().empty()) << "a Kelvara alone starts its log afresh";
    EXPECT_EQ(OpenLogFile(kLogFileName).eResult, ELogOpen::Busy) << "and holds it for its life";
    AppendLogLine("its own line");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"its own line"});
}

}  // namespace
