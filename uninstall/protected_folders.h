// Folders whose tree the uninstall must never remove, whatever the installation record says.
#pragma once

#include <string>

#include "install/sysdirs.h"

namespace setup {

// True when `path` names a drive root, the Windows folder (of `dirs`, or of the environment's
// SystemRoot and windir), the Program Files folder or one of the shell folders of `dirs`, or
// a folder that holds one of them; also when it is empty,
// blank or cannot be resolved to a full drive path. Doubled backslashes, a trailing
// backslash, "." and ".." components, letter case (code page 1250) and short (8.3) forms are
// seen through; a relative path is taken from the current directory.
bool IsProtectedFolder(const std::string& path, const TSystemDirs& dirs);

}  // namespace setup
