// Silent removal of files and folder trees. Nothing is reported: whatever cannot be deleted
// stays, and each file deletion attempt goes to the log hook as one line.
#pragma once

#include <functional>
#include <string>

namespace setup {

// The log hook: receives "Delete file: " + path + " > OK" or " >Error" for every deletion
// attempt of DeleteFiles. Its initial value does nothing.
extern std::function<void(const std::string&)> LogProc;

// Deletes, as files, the entries of folder `dir` that match the wildcard `mask` (of every
// attribute, folders included, which therefore fail), without descending, in the order of
// the directory search, and logs each attempt. No attribute is changed first, so read-only
// files stay. `dir` may carry blanks around it and one trailing backslash; an empty or blank
// text, or a folder that does not exist, does nothing.
void DeleteFiles(std::string dir, const std::string& mask);

// Deletes every file of the tree below `dir`, then its folders from the deepest up, then
// `dir` itself: each folder's files go before its subfolders are entered, and a folder goes
// once it is empty. Hidden and system subfolders, and links to folders elsewhere, are not
// entered and stay, with the folders above them; so do read-only files. `dir` is taken as
// for DeleteFiles.
void RemoveTree(std::string dir);

}  // namespace setup
