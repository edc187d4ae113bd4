#include "install/shortcut.h"

#include "platform/shelllink.h"
#include "texts/error.h"

namespace setup {

namespace {

// Everything up to and including the last "\" or ":" (empty when there is neither).
std::string FolderPart(const std::string& path) {
  const auto cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

bool CreateShortcut(const std::string& target, const std::string& name, const std::string& folder) {
  if (folder.empty()) return false;

  std::string linkName = name;
  if (linkName.find(".lnk") == std::string::npos) linkName += ".lnk";
  std::string linkFile = folder;
  if (linkFile.back() != '\\') linkFile += '\\';
  linkFile += linkName;

  const plat::ShellLinkOutcome outcome = plat::SaveShellLink(target, FolderPart(target), linkFile);
  if (!outcome.raisedError.empty()) throw SetupError(outcome.raisedError);
  return outcome.saved;
}

}  // namespace setup
