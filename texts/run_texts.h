// The texts the two runs show beyond the message table: the headings of their failure boxes
// and the lines that say why a step could not be done. One language, English, as the failure
// lines under them; code page 1250 like every other text of the program.
#pragma once

#include <string>

namespace setup {

enum class RunText {
  kInstallFailed,      // heading of the install's failure box
  kUninstallLeft,      // heading of the uninstall's failure box
  kNoDesktopFolder,    // a desktop link was asked for and the system names no desktop folder
  kNoStartMenuFolder,  // the same for the Start menu
  kNoProgramsFolder,   // the same for the program group's Programs folder
  kProtectedFolder,    // follows the folder the uninstall keeps: a drive root or system folder
  kRefusedFolder,      // follows a recorded home folder that is not a plain absolute path
  kBatchNotStarted,    // follows the self-removal batch that could not be written or started
};

std::string RunTextOf(RunText text);

}  // namespace setup
