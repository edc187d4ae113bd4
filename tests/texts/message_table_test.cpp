#include "texts/message_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace setup {
namespace {

// The built-in table as code page 1250 bytes, written out byte by byte (a hex escape is
// closed by splitting the literal where a hex digit follows).
const std::vector<std::string> kExpected = {
    "      Installation of  Vorlex",
    "Program place: -",
    "Icon place:",
    " - START/PROGRAMY/Vorlex",
    " - Desktop",
    " - START",
    "When you press Finish Installation will be start",
    "I can`t create directory",
    "Program Setup will be abort !",
    "Creating directory",
    "Copying files",
    "Create dir:",
    "Prepare copy",
    "Extract files",
    " - Sources",
    "Z\xE1pis do registru",
    "Create desktop link",
    "Link to desktop",
    "Create START link",
    "Link to START",
    "Creating directory START/Programy",
    "Update menu START",
    "Installation is finished",
    "Uninstall",
    "Instalace byla zru\x9A"
    "ena",
    "Instalace byla dokon\xE8"
    "ena",
    "V\x9A"
    "echny soubory v adres\xE1\xF8i ",
    " budou smaz\xE1ny !!",
    "Opravdu chcete program Vorlex odinstalovat?",
    "Program Vorlex byl odinstalov\xE1n",
    "Uninstal\xE1tor nena\x9A"
    "el informace programu Vorlex!",
    "Instalace byla u\x9E spu\x9At\xECna!",
};

TEST(MessageTable, BuiltInLinesAreTheCp1250BytesOfTheTable) {
  const std::vector<std::string>& lines = BuiltInMessageLines();
  ASSERT_EQ(lines.size(), kBuiltInMessageCount);
  ASSERT_EQ(kExpected.size(), kBuiltInMessageCount);
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], kExpected[i]) << "line " << i;
  // The blanks that the texts around them rely on.
  EXPECT_EQ(lines[0].substr(0, 7), "      I");
  EXPECT_EQ(lines[26].back(), ' ');
  EXPECT_EQ(lines[27].front(), ' ');
}

TEST(MessageTable, ReadsByIndexAndGivesEmptyTextPastTheEnd) {
  const std::vector<std::string>& lines = BuiltInMessageLines();
  EXPECT_EQ(MessageLine(lines, 0), kExpected[0]);
  EXPECT_EQ(MessageLine(lines, 31), kExpected[31]);
  EXPECT_EQ(MessageLine(lines, 32), "");
  EXPECT_EQ(MessageLine(lines, SIZE_MAX), "");

  const std::vector<std::string> shortTable(lines.begin(), lines.begin() + 10);
  EXPECT_EQ(MessageLine(shortTable, 9), kExpected[9]);
  EXPECT_EQ(MessageLine(shortTable, 10), "");
  EXPECT_EQ(MessageLine(shortTable, 24), "");
  EXPECT_EQ(MessageLine(std::vector<std::string>{}, 0), "");
}

}  // namespace
}  // namespace setup
