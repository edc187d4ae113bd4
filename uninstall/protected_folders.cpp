#include "uninstall/protected_folders.h"

#include <optional>
#include <vector>

#include "install/paths.h"
#include "platform/files.h"

namespace setup {

namespace {

// Upper case of a code page 1250 byte: ASCII letters and the accented letters of the page.
unsigned char UpperCp1250(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  switch (c) {
    case 0x9A:
    case 0x9C:
    case 0x9D:
    case 0x9E:
    case 0x9F:
      return c - 0x10;  // š ś ť ž ź
    case 0xB3:
      return 0xA3;  // ł
    case 0xB9:
      return 0xA5;  // ą
    case 0xBE:
      return 0xBC;  // ľ
    case 0xBF:
      return 0xAF;  // ż
    default:
      break;
  }
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  return c;
}

std::string Fold(const std::string& text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(UpperCp1250(static_cast<unsigned char>(c)));
  return result;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The full form of `path` as "X:" followed by "\name" components, without a trailing
// backslash (a drive root is "X:"), letter case folded; nullopt when it cannot be resolved.
std::optional<std::string> Canonical(std::string path) {
  StripBlanks(path);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  path = NormalizePath(path);
  if (path.empty() || path == " " || path == "\t") return std::nullopt;
  std::string full;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    if (path.size() > 2 && path[2] != '\\')
      return std::nullopt;  // relative to a drive's own folder
    full = path;
  } else {
    auto current = plat::CurrentDirectory();
    if (!current.ok() || current.value().size() < 2 || current.value()[1] != ':')
      return std::nullopt;
    full = path[0] == '\\' ? current.value().substr(0, 2) + path : current.value() + "\\" + path;
  }
  std::vector<std::string> parts;
  std::size_t start = 3;
  while (start <= full.size()) {
    std::size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    if (part != "." && part != "..") {
      // The system drops trailing dots and blanks of a name.
      part.erase(part.find_last_not_of(". ") + 1);
    }
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::string result = full.substr(0, 2);
  for (const std::string& part : parts) result += "\\" + part;
  return Fold(result);
}

// The canonical forms under which `path` may appear: as given and as its short form.
std::vector<std::string> Forms(const std::string& path) {
  std::vector<std::string> forms;
  for (const std::string& candidate : {path, ShortPathOf(path)}) {
    if (auto form = Canonical(candidate)) forms.push_back(*form);
  }
  return forms;
}

// True when `outer` is `inner` or a folder above it.
bool Holds(const std::string& outer, const std::string& inner) {
  return inner == outer ||
         (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
          inner[outer.size()] == '\\');
}

}  // namespace

bool IsProtectedFolder(const std::string& path, const TSystemDirs& dirs) {
  const std::vector<std::string> forms = Forms(path);
  if (forms.empty()) return true;
  for (const std::string& form : forms) {
    if (form.size() <= 2) return true;  // a drive root
  }
  std::vector<std::string> systemFolders = {
      dirs.WindowsDir(),   dirs.ProgramFilesDir(),      dirs.DeskTopDir(), dirs.FontsDir(),
      dirs.StartMenuDir(), dirs.StartMenuProgramsDir(), dirs.RecentDir(),  dirs.StartMenuStartUp(),
  };
  // NT keeps SystemRoot elsewhere than the key WindowsDir is read from; the environment of
  // every Windows process names the Windows folder too. On 64-bit Windows a 32-bit program
  // reads ProgramFilesDir as "Program Files (x86)": the environment names both Program Files
  // folders (ProgramW6432 is the native one).
  for (const char* name :
       {"SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    if (auto value = plat::Environment(name)) systemFolders.push_back(*value);
  }
  for (const std::string& folder : systemFolders) {
    if (folder.find_first_not_of(" \t") == std::string::npos) continue;
    for (const std::string& protectedForm : Forms(folder)) {
      for (const std::string& form : forms) {
        if (Holds(form, protectedForm)) return true;
      }
    }
  }
  return false;
}

}  // namespace setup
