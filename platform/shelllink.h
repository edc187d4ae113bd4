// Shell link service: writes a ".lnk" file as IShellLinkA::SetPath + SetWorkingDirectory +
// IPersistFile::Save(path, FALSE) would.
#pragma once

#include <string>

#include "platform/types.h"

namespace plat {

struct ShellLinkOutcome {
  // Non-empty when the link object could not be made: the system's text for a failing
  // CoCreateInstance, or "Interface not supported". The caller raises it.
  std::string raisedError;
  // Whether the file was saved; callers of the installer do not look at it.
  bool saved = false;
};

// `linkFile` is the full path of the ".lnk" file in code page 1250.
ShellLinkOutcome SaveShellLink(const std::string& target, const std::string& workingDirectory,
                               const std::string& linkFile);

}  // namespace plat
