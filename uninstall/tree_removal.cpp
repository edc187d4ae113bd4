#include "uninstall/tree_removal.h"

#include <cstdint>

#include "install/fileops.h"
#include "install/paths.h"
#include "platform/files.h"

namespace setup {

std::function<void(const std::string&)> LogProc = [](const std::string&) {};

namespace {

// Blanks around the text and one trailing backslash are dropped; false when nothing is left
// or no such folder exists. Stripping keeps one blank of a blank text, and a system that
// drops trailing blanks of a name would take that blank for the current directory: a blank
// text names no folder.
bool PrepareFolder(std::string& dir) {
  StripBlanks(dir);
  if (dir.empty() || dir == " " || dir == "\t") return false;
  if (dir.back() == '\\') dir.pop_back();
  return !dir.empty() && DirectoryExists(dir);
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// A link or junction goes as the entry it is, never entered: a folder link with
// RemoveDirectory, which takes the link and not the folder it names, anything else with
// DeleteFile. True when `attributes` name such an entry.
bool RemoveIfLink(const std::string& path, std::uint32_t attributes) {
  if ((attributes & plat::kAttrReparsePoint) == 0) return false;
  if (attributes & plat::kAttrDirectory) {
    plat::RemoveDirectory(path);
  } else {
    plat::DeleteFile(path);
  }
  return true;
}

}  // namespace

void DeleteFiles(std::string dir, const std::string& mask) {
  if (!PrepareFolder(dir)) return;
  plat::DirSearch search(dir + "\\" + mask);
  if (!search.valid()) return;
  do {
    const std::string& name = search.entry().name;
    if (IsDotEntry(name)) continue;
    const std::string path = dir + "\\" + name;
    const bool deleted = plat::DeleteFile(path) == plat::kOk;
    LogProc("Delete file: " + path + (deleted ? " > OK" : " >Error"));
  } while (search.next());
}

void RemoveTree(std::string dir) {
  if (!PrepareFolder(dir)) return;
  // A folder that is itself a link or junction: only the link goes. An attribute query that
  // fails leaves the folder alone, as it might be one.
  const auto attributes = plat::FileAttributes(dir);
  if (!attributes.ok() || RemoveIfLink(dir, attributes.value())) return;
  DeleteFiles(dir, "*.*");
  plat::RemoveDirectory(dir);
  {
    constexpr std::uint32_t kNotEntered =
        plat::kAttrHidden | plat::kAttrSystem | plat::kAttrVolumeLabel;
    plat::DirSearch search(dir + "\\*.*");
    if (search.valid()) {
      do {
        const plat::FindData& entry = search.entry();
        if (IsDotEntry(entry.name)) continue;
        const std::string path = dir + "\\" + entry.name;
        if (RemoveIfLink(path, entry.attributes)) {
          plat::RemoveDirectory(dir);
          continue;
        }
        if ((entry.attributes & kNotEntered) != 0) continue;
        RemoveTree(path);
        plat::RemoveDirectory(dir);
      } while (search.next());
    }
  }
  plat::RemoveDirectory(dir);
}

}  // namespace setup
