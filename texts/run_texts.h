// The texts the two runs show beyond the message table: the headings of their failure boxes,
// the lines that say why a step could not be done, and the log lines and link names that the
// message table does not hold. Code page 1250 like every other text of the program.
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
  kLinkFailed,         // precedes the path of a link that was not saved
  kFolderFailed,       // precedes a program group subfolder that could not be made
  kRecordFailed,       // precedes the installation record's key that could not be written
  kProgramLog,         // log line of the main archive's extraction
  kManualLog,          // log line of the manual's extraction
  kManualLinkName,     // the program group's link to the manual
  kCount
};

std::string RunTextOf(RunText text);

}  // namespace setup
