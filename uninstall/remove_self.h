// Self-removal: a running program cannot erase its own file, so it leaves that to a hidden
// batch of the command interpreter that outlives it.
#pragma once

#include <string>

namespace setup {

// The batch's file name, always in the LWTEMP folder.
inline constexpr const char* kSelfRemovalBatchName = "setup123.bat";
// Tries of the batch's erase loop for the settings file, about one second apart, before it
// gives up. It runs only once the program has ended: the wait for the program file itself
// has no bound.
inline constexpr int kSelfRemovalTries = 60;

// The LWTEMP folder: the system temp path + "LWTEMP", normalised.
std::string LwTempFolderPath();

// What the batch is made of.
struct SelfRemovalBatch {
  std::string programFile;  // the running program file, as the system reports it
  std::string folder;       // the folder handed to RemoveSelf, as handed in
  std::string batchFile;    // the batch's own path
  // Whether the program file lies in `folder` or in the LWTEMP folder: only then does the
  // batch erase it and its settings file.
  bool ownsProgram = false;
};

// The batch's text, lines ended by CR LF. When it owns the program file it erases the file,
// retrying about once a second for as long as the file is there (the file of a running
// program cannot be erased, so this waits for the program to end, however long that takes);
// then its ".ini" settings file, with at most kSelfRemovalTries tries. Then it removes
// `folder` (quoted when it holds a blank or another character the command interpreter acts
// on) and erases itself. Paths are written byte for byte.
std::string SelfRemovalBatchText(const SelfRemovalBatch& batch);

// `path` with its extension (from the last dot after the last "\" or ":") replaced by
// ".ini"; ".ini" appended when it has none.
std::string SettingsFileOf(const std::string& path);

// Removes the tree of `folder` (RemoveTree), writes LWTEMP + "\setup123.bat" anew and starts
// it hidden without waiting. Handed the LWTEMP folder itself, it empties that folder but
// keeps it, as the batch goes there. A missing LWTEMP folder is made for the batch, except
// when the batch would have nothing to erase: then no batch is written. A batch that cannot be
// created, written or closed raises the input/output error of that failure and is not started. True
// when the batch was started.
bool RemoveSelf(const std::string& folder);

}  // namespace setup
