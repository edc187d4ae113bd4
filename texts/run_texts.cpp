#include "texts/run_texts.h"

#include <cstddef>
#include <iterator>

#include "texts/window_texts.h"

namespace setup {

namespace {

// In the order of RunText, written in UTF-8.
constexpr const char* kRunTexts[] = {
    "The installation was not completed. These steps failed:",
    "The uninstall was not completed. These remain:",
    "Link to desktop: the system names no desktop folder",
    "Link to START: the system names no Start menu folder",
    "Update menu START: the system names no Programs folder",
    " (not removed: a drive root or a system folder)",
    " (not removed: not a plain folder path)",
    " (the program file stays: its removal could not be started)",
    "Link: ",
    "Folder: ",
    "Registry: ",
    " - vx01",
    " - Manual",
    "Manuál",
};
static_assert(std::size(kRunTexts) == static_cast<std::size_t>(RunText::kCount));

}  // namespace

std::string RunTextOf(RunText text) { return Cp1250(kRunTexts[static_cast<std::size_t>(text)]); }

}  // namespace setup
