#include "uninstall/remove_self.h"

#include "install/fileops.h"
#include "install/paths.h"
#include "platform/files.h"
#include "platform/process.h"
#include "texts/error.h"
#include "uninstall/tree_removal.h"

namespace setup {

namespace {

constexpr const char* kCrLf = "\r\n";
// Windows' own pause of about one second, also found under Wine: two echo requests to the
// local host are sent one second apart.
constexpr const char* kPauseLine = "ping -n 2 127.0.0.1 >nul";
// The input/output error of a write that stored fewer bytes than it was given.
constexpr std::uint32_t kInOutDiskFull = 101;

// Letter case folded as the file system does for code page 1250 names.
char Fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 0x20);
  switch (u) {
    case 0x8A:
    case 0x8C:
    case 0x8D:
    case 0x8E:
    case 0x8F:
      return static_cast<char>(u + 0x10);
    case 0xA3:
      return static_cast<char>(0xB3);
    case 0xA5:
      return static_cast<char>(0xB9);
    case 0xAA:
      return static_cast<char>(0xBA);
    case 0xAF:
      return static_cast<char>(0xBF);
    case 0xBC:
      return static_cast<char>(0xBE);
    default:
      break;
  }
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 0x20);
  return c;
}

std::string Folded(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = Fold(c);
  return out;
}

// True when `file` lies somewhere below `folder`, compared without regard to letter case.
bool Below(const std::string& file, std::string folder) {
  folder = NormalizePath(folder);
  StripBlanks(folder);
  if (folder.empty() || folder == " ") return false;
  if (folder.back() != '\\') folder += '\\';
  const std::string f = Folded(NormalizePath(file));
  const std::string d = Folded(folder);
  return f.size() > d.size() && f.compare(0, d.size(), d) == 0;
}

std::string FolderKey(std::string folder) {
  folder = NormalizePath(folder);
  StripBlanks(folder);
  if (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
  return Folded(folder);
}

bool SameFolder(const std::string& a, const std::string& b) {
  return FolderKey(a) == FolderKey(b) ||
         FolderKey(ShortPathOf(NormalizePath(a))) == FolderKey(ShortPathOf(NormalizePath(b)));
}

// Everything in `folder`, by the rules of RemoveTree, but not the folder itself. A folder
// that is a link or junction is not emptied: what it leads to is not ours. Links in it go as
// entries (RemoveTree never enters one).
void EmptyFolder(const std::string& folder) {
  const auto attributes = plat::FileAttributes(folder);
  if (!attributes.ok() || (attributes.value() & plat::kAttrReparsePoint) != 0) return;
  DeleteFiles(folder, "*.*");
  plat::DirSearch search(NormalizePath(folder + "\\*.*"));
  if (!search.valid()) return;
  do {
    const plat::FindData& entry = search.entry();
    if (entry.name == "." || entry.name == "..") continue;
    if (entry.attributes & (plat::kAttrHidden | plat::kAttrSystem | plat::kAttrVolumeLabel)) {
      continue;
    }
    RemoveTree(NormalizePath(folder + "\\" + entry.name));
  } while (search.next());
}

// Seen in either form: the uninstall hands in the short form of the home directory, while
// the system reports the program file in its long form.
bool LiesIn(const std::string& file, const std::string& folder) {
  return Below(file, folder) || Below(ShortPathOf(file), ShortPathOf(NormalizePath(folder)));
}

// Appends one line made of `parts`, ended by CR LF.
template <class... Parts>
void AddLine(std::string& text, const Parts&... parts) {
  ((text += parts), ...);
  text += kCrLf;
}

// The wait for the program file: erase it, and while it is still there pause and try again,
// without a bound. The file of a running program cannot be erased, so the loop ends only once
// the program has ended and nothing gives up while it runs. /F takes a read-only file too.
void AddProgramLoop(std::string& text, const std::string& file, int label, int next) {
  AddLine(text, ":", std::to_string(label));
  AddLine(text, "Erase /F \"", file, "\"");
  AddLine(text, "If not exist \"", file, "\" Goto ", std::to_string(next));
  AddLine(text, kPauseLine);
  AddLine(text, "Goto ", std::to_string(label));
}

// After the program has ended: erase `file`, and while it is still there pause and try again,
// at most kSelfRemovalTries times; then go on at `next`.
void AddBoundedLoop(std::string& text, const std::string& file, int label, int next) {
  AddLine(text, "Set tries=0");
  AddLine(text, ":", std::to_string(label));
  AddLine(text, "Erase /F \"", file, "\"");
  AddLine(text, "If not exist \"", file, "\" Goto ", std::to_string(next));
  AddLine(text, "Set /a tries+=1");
  AddLine(text, "If %tries% geq ", std::to_string(kSelfRemovalTries), " Goto ",
          std::to_string(next));
  AddLine(text, kPauseLine);
  AddLine(text, "Goto ", std::to_string(label));
}

void Check(std::uint32_t error) {
  if (error != plat::kOk) throw InOutError(error);
}

template <class T>
T Checked(plat::Result<T> result) {
  Check(result.error);
  return std::move(result).value_or({});
}

}  // namespace

std::string LwTempFolderPath() {
  auto temp = plat::TempPath();
  if (!temp.ok()) throw InOutError(temp.error);
  std::string folder = temp.value();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return NormalizePath(folder + "LWTEMP");
}

std::string SettingsFileOf(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto separator = path.find_last_of("\\:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    return path + ".ini";
  }
  return path.substr(0, dot) + ".ini";
}

std::string SelfRemovalBatchText(const SelfRemovalBatch& batch) {
  std::string text;
  if (batch.ownsProgram) {
    AddProgramLoop(text, batch.programFile, 1, 2);
    AddBoundedLoop(text, SettingsFileOf(batch.programFile), 2, 3);
    AddLine(text, ":3");
  }
  // Characters at which the command interpreter splits a line or that it acts on.
  const bool quote = batch.folder.find_first_of(" \t,;=&|<>^()") != std::string::npos;
  if (quote) {
    AddLine(text, "rd \"", batch.folder, "\"");
  } else {
    AddLine(text, "rd ", batch.folder);
  }
  AddLine(text, "Erase \"", batch.batchFile, "\"");
  return text;
}

bool RemoveSelf(const std::string& folder) {
  const std::string lwTemp = LwTempFolderPath();
  SelfRemovalBatch batch;
  batch.folder = folder;
  batch.batchFile = NormalizePath(lwTemp + "\\" + kSelfRemovalBatchName);
  // Without its own file's name the batch could not erase the program: nothing is done.
  const std::string program = Checked(plat::ModuleFileName());
  batch.programFile = program;
  // Decided before the tree goes: the short form of a folder needs the folder.
  batch.ownsProgram = LiesIn(program, folder) || LiesIn(program, lwTemp);

  // The batch goes into the LWTEMP folder: handed that folder, the routine empties it but
  // keeps it, so that the batch can still be written there.
  if (SameFolder(folder, lwTemp)) {
    EmptyFolder(lwTemp);
  } else {
    RemoveTree(folder);
  }

  // A machine that never had the LWTEMP folder: with nothing of ours to erase there is
  // nothing to clean up; otherwise the folder is made, since the batch has no other place.
  if (!DirectoryExists(lwTemp)) {
    if (!batch.ownsProgram && SameFolder(folder, lwTemp)) return false;
    plat::CreateDirectory(lwTemp);
  }

  const std::string text = SelfRemovalBatchText(batch);
  plat::File file = Checked(plat::File::Open(batch.batchFile, plat::OpenMode::kCreate));
  auto written = plat::WriteFile(file.get(), text.data(), text.size());
  if (!written.ok()) {
    throw InOutError(written.error == plat::kDiskFull ? kInOutDiskFull : written.error);
  }
  if (written.value() != text.size()) throw InOutError(kInOutDiskFull);
  Check(file.close());

  return plat::StartHidden(batch.batchFile) > 31;
}

}  // namespace setup
