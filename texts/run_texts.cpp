#include "texts/run_texts.h"

namespace setup {

std::string RunTextOf(RunText text) {
  switch (text) {
    case RunText::kInstallFailed:
      return "The installation was not completed. These steps failed:";
    case RunText::kUninstallLeft:
      return "The uninstall was not completed. These remain:";
    case RunText::kNoDesktopFolder:
      return "Link to desktop: the system names no desktop folder";
    case RunText::kNoStartMenuFolder:
      return "Link to START: the system names no Start menu folder";
    case RunText::kNoProgramsFolder:
      return "Update menu START: the system names no Programs folder";
    case RunText::kProtectedFolder:
      return " (not removed: a drive root or a system folder)";
    case RunText::kRefusedFolder:
      return " (not removed: not a plain folder path)";
    case RunText::kBatchNotStarted:
      return " (the program file stays: its removal could not be started)";
  }
  return {};
}

}  // namespace setup
