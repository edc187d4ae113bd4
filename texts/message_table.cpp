#include "texts/message_table.h"

#include <array>
#include <string_view>

#include "platform/codepage.h"

namespace setup {

namespace {

// Written in UTF-8 here, held in code page 1250 by the program.
constexpr std::array<std::string_view, kBuiltInMessageCount> kBuiltInUtf8 = {
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
    "Zápis do registru",
    "Create desktop link",
    "Link to desktop",
    "Create START link",
    "Link to START",
    "Creating directory START/Programy",
    "Update menu START",
    "Installation is finished",
    "Uninstall",
    "Instalace byla zrušena",
    "Instalace byla dokončena",
    "Všechny soubory v adresáři ",
    " budou smazány !!",
    "Opravdu chcete program Vorlex odinstalovat?",
    "Program Vorlex byl odinstalován",
    "Uninstalátor nenašel informace programu Vorlex!",
    "Instalace byla už spuštěna!",
};

}  // namespace

const std::vector<std::string>& BuiltInMessageLines() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> converted;
    converted.reserve(kBuiltInUtf8.size());
    for (std::string_view line : kBuiltInUtf8) converted.push_back(plat::Utf8ToCp1250(line));
    return converted;
  }();
  return lines;
}

std::string MessageLine(std::span<const std::string> lines, std::size_t index) {
  return index < lines.size() ? lines[index] : std::string();
}

}  // namespace setup
