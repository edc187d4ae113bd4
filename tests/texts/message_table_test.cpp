#include "texts/message_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace setup {
namespace {

// Lines by name, as code page 1250 bytes (a hex escape is closed by splitting the literal
// where a hex digit follows), with the blanks that the texts around them rely on.
TEST(MessageTable, NamesReadTheirLinesAsCp1250Bytes) {
  const std::vector<std::string>& lines = BuiltInMessageLines();
  ASSERT_EQ(lines.size(), kBuiltInMessageCount);
  const std::pair<Msg, std::string> cases[] = {
      {Msg::kSummaryHeading, "      Installation of  Vorlex"},
      {Msg::kCreatingFolder, "Creating directory"},
      {Msg::kWritingRegistry, "Z\xE1pis do registru"},
      {Msg::kInstallCancelled,
       "Instalace byla zru\x9A"
       "ena"},
      {Msg::kAllFilesIn,
       "V\x9A"
       "echny soubory v adres\xE1\xF8i "},
      {Msg::kWillBeDeleted, " budou smaz\xE1ny !!"},
      {Msg::kAlreadyRunning, "Instalace byla u\x9E spu\x9At\xECna!"},
  };
  for (const auto& [line, text] : cases) {
    EXPECT_EQ(MessageLine(lines, line), text) << static_cast<int>(line);
  }
}

TEST(MessageTable, AShorterTableGivesTheEmptyTextPastItsEnd) {
  const std::vector<std::string>& lines = BuiltInMessageLines();
  const std::vector<std::string> shortTable(lines.begin(), lines.begin() + 10);
  EXPECT_EQ(MessageLine(shortTable, Msg::kCreatingFolder), lines[9]);
  EXPECT_EQ(MessageLine(shortTable, Msg::kCopyingFiles), "");
  EXPECT_EQ(MessageLine(shortTable, Msg::kInstallCancelled), "");
  EXPECT_EQ(MessageLine(std::vector<std::string>{}, Msg::kSummaryHeading), "");
}

}  // namespace
}  // namespace setup
