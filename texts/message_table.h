// The message table: the 32 lines from which every run-time text is read. The table lives as
// the lines of the hidden memo Memo6 of the main window, so setup.ini overrides it like any
// other list of lines; these are its built-in lines, their names and the reader over it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace setup {

// The lines by name, in table order; an override file addresses them as Item0 to Item31.
enum class Msg : std::size_t {
  kSummaryHeading,
  kProgramPlace,
  kIconPlace,
  kIconInGroup,
  kIconOnDesktop,
  kIconInStartMenu,
  kPressFinish,
  kCannotCreateFolder,
  kSetupAborted,
  kCreatingFolder,
  kCopyingFiles,
  kCreateFolderLog,
  kPrepareCopy,
  kExtractFiles,
  kSourcesLog,
  kWritingRegistry,
  kCreateDesktopLink,
  kDesktopLinkLog,
  kCreateStartLink,
  kStartLinkLog,
  kCreatingGroup,
  kUpdateStartLog,
  kInstallationFinished,
  kUninstallWord,
  kInstallCancelled,
  kInstallDone,
  kAllFilesIn,
  kWillBeDeleted,
  kReallyUninstall,
  kUninstalled,
  kNoInstallation,
  kAlreadyRunning,
  kCount
};

inline constexpr std::size_t kBuiltInMessageCount = static_cast<std::size_t>(Msg::kCount);

// The built-in lines, code page 1250, every leading and trailing blank in place.
const std::vector<std::string>& BuiltInMessageLines();

// Line `line` of `lines`; the empty text when the table is shorter.
std::string MessageLine(std::span<const std::string> lines, Msg line);

}  // namespace setup
