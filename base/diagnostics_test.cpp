#include "base/diagnostics.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/diagnostics_fixture.h"
#include "tests/test_support.h"

namespace {

class DiagnosticsTest : public testing_support::DiagnosticsFixture {
 protected:
  DiagnosticsTest() { ReadingLine("parts\\3001.dat", 12, "3 16 0 0 0 1 1 1 0 0 0"); }
};

TEST_F(DiagnosticsTest, ReportMessageKindsAndLevels) {
  diag_.ReportMessage(0, kWarning, "Bad line");
  diag_.ReportMessage(0, kSkipping, "%d arguments expected", 14);
  diag_.ReportMessage(0, 7, "Unknown line type");  // every other kind skips
  diag_.ReportMessage(0, kPlain, "NOTABENE \"%s\" Line %u: %s", "a.dat", 3u, "x");
  diag_.ReportMessage(1, kWarning, "Identical vertices");  // filtered at level 0
  EXPECT_EQ(remarks_.text(),
            "WARNING \"parts\\3001.dat\" Line 12: Bad line: 3 16 0 0 0 1 1 1 0 0 0\n"
            "SKIPPING \"parts\\3001.dat\" Line 12: 14 arguments expected: 3 16 0 0 0 1 1 1 0 0 0\n"
            "SKIPPING \"parts\\3001.dat\" Line 12: Unknown line type: 3 16 0 0 0 1 1 1 0 0 0\n"
            "NOTABENE \"a.dat\" Line 3: x\n");
  EXPECT_EQ(messages_.text(), "");

  diag_.warning_level = 3;
  diag_.ReportMessage(3, kWarning, "Comment lines should have space after 0");
  diag_.ReportMessage(4, kWarning, "never");
  EXPECT_NE(remarks_.text().find("Line 12: Comment lines should have space after 0: "),
            std::string::npos);
  EXPECT_EQ(remarks_.text().find("never"), std::string::npos);
}

TEST_F(DiagnosticsTest, ReportMessageInsertsDataVerbatimAndStaysBounded) {
  // A title holding % signs is data, never a format.
  diag_.ReportMessage(0, kPlain, "%s", "100% %s %n");
  EXPECT_EQ(remarks_.text(), "100% %s %n\n");
  std::string huge(5000, 'h');
  diag_.ReportMessage(0, kWarning, "%s", huge.c_str());
  std::string text = remarks_.text();
  std::string last = text.substr(text.find('\n') + 1);
  EXPECT_EQ(last.size(), 2000u);  // 1999 characters and the line end
  EXPECT_EQ(last.back(), '\n');
}

TEST_F(DiagnosticsTest, ReportInputErrorIgnoresTheWarningLevel) {
  diag_.warning_level = -5;
  diag_.ReportInputError("Could not find %s Referenced by %s", "x.dat", "model.ldr");
  diag_.ReportInputError("Sorry, max %d parts.", 2000);
  EXPECT_EQ(messages_.text(),
            "Could not find x.dat Referenced by model.ldr\nSorry, max 2000 parts.\n");
  EXPECT_EQ(remarks_.text(), "");
}

TEST(DiagnosticsDeathTest, FatalErrorShowsUsageThenMessage) {
  struct Usage : UsagePrinter {
    void PrintUsage() override { fputs("USAGE\n", stderr); }
  };
  auto fatal = [](bool stdout_first, const char* format, const char* arg) {
    Usage usage;
    Diagnostics diag;
    diag.message_stream = stderr;
    diag.stdout_first = stdout_first;
    diag.usage = &usage;
    diag.FatalError(format, arg);
  };
  EXPECT_EXIT(fatal(false, "Bad argument '%s'", "-q5"), ::testing::ExitedWithCode(1),
              "^USAGE\n\n\\*\\*\\* Bad argument '-q5'\\.\n$");
  EXPECT_EXIT(fatal(true, "Bad argument '%s'", "-q5"), ::testing::ExitedWithCode(1),
              "^\\*\\*\\* Bad argument '-q5'\\.\n$");
  EXPECT_EXIT(fatal(true, nullptr, nullptr), ::testing::ExitedWithCode(1), "^USAGE\n$");
  // The argument is inserted as text, even when it looks like a format.
  EXPECT_EXIT(fatal(true, "Bad color '%s'", "%s%n%d"), ::testing::ExitedWithCode(1),
              "^\\*\\*\\* Bad color '%s%n%d'\\.\n$");
  EXPECT_EXIT(fatal(true, "Too many filenames", nullptr), ::testing::ExitedWithCode(1),
              "^\\*\\*\\* Too many filenames\\.\n$");
}

}  // namespace
