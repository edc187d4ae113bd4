// Shell shortcuts: a ".lnk" file in a folder that points at a target file.
#pragma once

#include <string>

namespace setup {

// Writes folder + name as a shell link to `target`, ".lnk" appended unless `name` already
// holds ".lnk" (exact, case-sensitive); one "\" joins folder and name. The link's working
// directory is the folder part of `target`, up to and including its last "\" or ":". An
// existing link of that name is replaced. Callers pass normalised paths.
//
// An empty folder is a shell folder the system did not name: no link is written, so none
// lands at the root of the current drive. True when the link file was saved; false when it
// could not be written or the folder is empty. A link object that cannot be made raises
// SetupError with the system's text.
bool CreateShortcut(const std::string& target, const std::string& name, const std::string& folder);

}  // namespace setup
