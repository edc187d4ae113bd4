#include "texts/message_table.h"

#include "texts/window_texts.h"

namespace setup {

namespace {

// In the order of Msg; written in UTF-8 here, held in code page 1250 by the program.
constexpr const char* kBuiltInUtf8[] = {
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
static_assert(std::size(kBuiltInUtf8) == kBuiltInMessageCount);

}  // namespace

const std::vector<std::string>& BuiltInMessageLines() {
  static const std::vector<std::string> lines = Cp1250Lines(kBuiltInUtf8);
  return lines;
}

std::string MessageLine(std::span<const std::string> lines, Msg line) {
  const auto index = static_cast<std::size_t>(line);
  return index < lines.size() ? lines[index] : std::string();
}

}  // namespace setup
