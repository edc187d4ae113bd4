// The built-in texts of the main window's controls and boxes, written in UTF-8 here; Cp1250
// and Cp1250Lines give the code page 1250 bytes that the controls hold.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

inline constexpr const char* kWindowCaption = "Vorlex Plug-In Setup";
// The caption of every stand-alone message box.
inline constexpr const char* kBoxCaption = "Vorlex Setup";
inline constexpr const char* kTitleCaption = "Vorlex  v2.12";

inline constexpr const char* kNextCaption = "Pokračovat";
inline constexpr const char* kBackCaption = "Zpět";
inline constexpr const char* kCancelCaption = "Storno";
inline constexpr const char* kFinishCaption = "Dokončit....";
inline constexpr const char* kUninstallCaption = "Odinstalovat...";
inline constexpr const char* kNextHint = "Pokračovat v instalaci";
inline constexpr const char* kBackHint = "Návrat na předchozí sekci";
inline constexpr const char* kCancelHint = "Ukončit bez instalace";

inline constexpr const char* kProgramPlaceCaption = "Umístění programu";
inline constexpr const char* kIconPlaceHeading = "Umístění ikon";
inline constexpr const char* kIconPlaceCaption = "Umístit ikony ...";
inline constexpr const char* kInstallingCaption = "Probíhá instalace programu";
inline constexpr const char* kStepCaption = "Mess";
inline constexpr const char* kUninstallHeading = "--- Uninstall  ---";
inline constexpr const char* kUninstallSubheading = "odstranění programu Vorlex z počítače.";
// The last choice of the install folder, which opens the folder picker.
inline constexpr const char* kPickFolderChoice = ".......";

inline constexpr const char* kIconPlaces[] = {"Na plochu", "Do hlavní nabídky START"};

inline constexpr const char* kWelcomeLines[] = {
    "Vítejte v instalačním průvodci programu Vorlex.",
    "",
    "Průvodce vás bezpečně provede všemi úskalími ",
    "instalace.",
    "",
    "Výchozí parametry instalace jsou nastaveny tak, ",
    "aby vyhověly běžným zvyklostem, a aby instalace ",
    "proběhla bez problémů i při výchozím nastavení.",
    "Instalaci můžete kdykoli přerušit tlačítkem ",
    "\"Storno\".",
    "Základní instalace programu zabere ve vašem ",
    "počítači cca 6MB.",
};

inline constexpr const char* kFolderLines[] = {
    "Program a jeho soubory budou ",    "umístěny do složky \"Program ",
    "files\"v podadresáři Vorlex.",     "",
    "Chcete-li výchozí nastavení ",     "změnit, vyberte ze seznamu ",
    "adresář pro umístění programu a ", "jeho souborů.",
};

inline constexpr const char* kIconLines[] = {
    "Do nabídky Start/Programy bude ",      "přidána položka Vorlex.",           " ",
    "Dále můžete zvolit přidání ikony na ", "plochu a do hlavní nabídky Start.",
};

inline constexpr const char* kUninstallLines[] = {
    "Stisknutím tlačítka \"Odinstalovat\" zahájíte ",
    "odinstalaci programu Vorlex.",
    " ",
    " ",
    "Budou odstraněny všechny soubory, složky a ",
    "položky v registru vytvořené při instalaci.",
    "",
    "  ",
    "Odinstalaci můžete zrušit tlačítkem \"Storno\"",
};

std::string Cp1250(std::string_view utf8);
std::vector<std::string> Cp1250Lines(std::span<const char* const> utf8);

}  // namespace setup
