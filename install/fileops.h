// The file-system rules the setup relies on: creating a folder path, and whether a folder or
// a file exists. Paths are Windows paths in code page 1250.
#pragma once

#include <string>

namespace setup {

// Creates the folder `path` with every missing folder above it. An empty path raises
// SetupError("Unable to create directory"); so does a relative path whose first folder is
// missing, as its parent part is empty. One trailing "\" is ignored. A path of fewer than 3
// characters, an existing folder, or a path whose parent part (up to and including its last
// "\" or ":") is the path itself counts as done. Otherwise the parent part is made first by
// the same rule and the folder only when that succeeded; true when both succeed.
bool ForceDirectories(const std::string& path);

// True when `path` exists and carries the folder attribute.
bool DirectoryExists(const std::string& path);

// True when a directory search finds `name` and it is not a folder; a relative name is
// looked up in the current directory. A name with wildcards names no single file: false.
bool FileExists(const std::string& name);

// The parent part of `path`: everything up to and including its last "\" or ":"; empty when
// it has neither.
std::string ParentPart(const std::string& path);

}  // namespace setup
