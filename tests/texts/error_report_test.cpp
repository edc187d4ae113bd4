#include <gtest/gtest.h>

#include "texts/error.h"

namespace setup {
namespace {

TEST(ErrorReport, AppendsFullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorReportText("Unable to write to Z:\\src\\setup.ini"),
            "Unable to write to Z:\\src\\setup.ini.");
  EXPECT_EQ(ErrorReportText("Done."), "Done.");
  EXPECT_EQ(ErrorReportText("Stop!"), "Stop!");     // '!' sorts before '.'
  EXPECT_EQ(ErrorReportText("100 %"), "100 %");     // so does '%'
  EXPECT_EQ(ErrorReportText("path\\"), "path\\.");  // '\' sorts after
  EXPECT_EQ(ErrorReportText("7"), "7.");
  EXPECT_EQ(ErrorReportText("zru\x9A"), "zru\x9A.");  // high bytes compare unsigned
  EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReport, InOutErrorsCarryTheTextOfTheirCode) {
  EXPECT_STREQ(InOutError(2).what(), "File not found");
  EXPECT_STREQ(InOutError(3).what(), "Invalid filename");
  EXPECT_STREQ(InOutError(5).what(), "File access denied");
  EXPECT_STREQ(InOutError(103).what(), "I/O error 103");
}

}  // namespace
}  // namespace setup
