// The uninstall run: the uninstall button's handler, from the installation record to the
// closing of the window.
#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "app/form1.h"
#include "install/paths.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "texts/run_texts.h"
#include "uninstall/apps_entry.h"
#include "uninstall/protected_folders.h"
#include "uninstall/remove_self.h"
#include "uninstall/tree_removal.h"

namespace setup {

namespace {

// A file or folder of a shell folder: nothing when the system does not name that folder, so
// that nothing is taken from the root of the current drive.
std::string InShellFolder(const std::string& shellFolder, const std::string& suffix) {
  return shellFolder.empty() ? std::string() : NormalizePath(shellFolder + suffix);
}

bool Missing(std::uint32_t error) {
  return error == plat::kFileNotFound || error == plat::kPathNotFound;
}

// Whether `path` may still be there: it is, or the system cannot say that it is not.
bool MayRemain(const std::string& path) {
  const auto attributes = plat::FileAttributes(path);
  return attributes.ok() || !Missing(attributes.error);
}

// What the removal of the home directory left. The running program file and its settings
// file are not counted, nor the folder itself: the self-removal batch takes them once the
// program has ended.
void AddLeftInHome(const std::string& home, std::vector<std::string>& left) {
  const auto attributes = plat::FileAttributes(home);
  if (!attributes.ok()) {
    if (!Missing(attributes.error)) left.push_back(home);
    return;
  }
  std::string program, settings;
  if (const auto module = plat::ModuleFileName(); module.ok()) {
    program = module.value().substr(module.value().find_last_of("\\:") + 1);
    settings = SettingsFileOf(program);
  }
  const auto same = [](const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) ==
             std::tolower(static_cast<unsigned char>(y));
    });
  };
  plat::DirSearch search(NormalizePath(home + "\\*.*"));
  if (!search.valid()) {
    left.push_back(home);
    return;
  }
  do {
    const std::string& name = search.entry().name;
    if (name == "." || name == ".." || same(name, program) || same(name, settings)) continue;
    left.push_back(NormalizePath(home + "\\" + name));
  } while (search.next());
  if (search.error() != plat::kNoMoreFiles) left.push_back(home);
}

// RemoveSelf on the home folder: its tree, then the batch that erases the program file once
// the program has ended. A batch that cannot be written or started is named with the program
// file, which then stays.
void RemoveHome(TForm1& form, const std::string& folder, std::vector<std::string>& left) {
  const std::string batch = NormalizePath(form.LwTempFolder + "\\" + kSelfRemovalBatchName);
  try {
    if (!RemoveSelf(folder)) left.push_back(batch + RunTextOf(RunText::kBatchNotStarted));
  } catch (const std::exception& error) {
    left.push_back(batch + ": " + error.what());
  }
}

// Removes what the record names once the user has confirmed: the shortcuts, the program
// group, the record, and the home folder with the self-removal batch. Returns what stays.
std::vector<std::string> Uninstall(TForm1& form) {
  const TSystemDirs& dirs = form.SystemDirs1;
  std::vector<std::string> left;
  for (const std::string& link : {InShellFolder(dirs.StartMenuDir(), "\\vorlex.lnk"),
                                  InShellFolder(dirs.DeskTopDir(), "\\vorlex.lnk")}) {
    if (link.empty()) continue;
    plat::DeleteFile(link);
    if (MayRemain(link)) left.push_back(link);
  }
  if (const std::string group = InShellFolder(dirs.StartMenuProgramsDir(), "\\vorlex");
      !group.empty()) {
    RemoveTree(group);
    if (MayRemain(group)) left.push_back(group);
  }
  form.RegInfo.DeleteRecord();
  const std::string recordKey = form.RegInfo.RKey + "\\" + form.RegInfo.RProg;
  if (const auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, recordKey);
      key.ok() || key.error != plat::kFileNotFound) {
    left.push_back("HKEY_CURRENT_USER" + recordKey);
  }
  if (const std::string entry = DeleteAppsEntry(); !entry.empty()) left.push_back(entry);

  // A record may name any folder. Only a plain absolute folder is taken as the home
  // directory, and never a drive root, the Windows or a Program Files folder or a shell
  // folder: such a tree stays, and the user is told. An empty record names no folder.
  const std::string recorded = NormalizePath(form.RegInfo.RHomeDir);
  if (recorded.empty()) {
    RemoveHome(form, recorded, left);
    return left;
  }
  const std::optional<std::string> plain = ConfinedAbsolute(recorded);
  if (!plain) {
    left.push_back(recorded + RunTextOf(RunText::kRefusedFolder));
    return left;
  }
  const std::string folder = NormalizePath(ShortPathOf(*plain));
  if (IsProtectedFolder(folder, dirs)) {
    left.push_back(folder + RunTextOf(RunText::kProtectedFolder));
    return left;
  }
  RemoveHome(form, folder, left);
  if (!folder.empty()) AddLeftInHome(folder, left);
  return left;
}

}  // namespace

void TForm1::BitBtn11Click(ui::TBitBtn&) {
  // The page stays only when the user answers No; every other way ends with a box and the
  // window closed, also when the record cannot be read or a step raises an error.
  try {
    if (!RegInfo.ReadRecord()) {
      ui_.MessageBox(MessageLine(Msg::kNoInstallation), kBoxCaption, ui::MB_OK | ui::MB_ICONERROR);
      Close();
      return;
    }
    const std::string question = MessageLine(Msg::kAllFilesIn) + " " + RegInfo.RHomeDir + " " +
                                 MessageLine(Msg::kWillBeDeleted) + "\r" +
                                 MessageLine(Msg::kReallyUninstall);
    if (ui_.MessageBox(question, "", ui::MB_YESNO | ui::MB_ICONEXCLAMATION) != ui::IDYES) return;

    const std::vector<std::string> left = Uninstall(*this);
    if (left.empty()) {
      ui_.MessageBox(MessageLine(Msg::kUninstalled), kBoxCaption,
                     ui::MB_OK | ui::MB_ICONINFORMATION);
    } else {
      std::string text = RunTextOf(RunText::kUninstallLeft);
      for (const std::string& line : left) text += "\r" + line;
      ui_.MessageBox(text, kBoxCaption, ui::MB_OK | ui::MB_ICONERROR);
    }
  } catch (const std::exception& error) {
    ReportError(error);
  }
  ReleaseLock();
  Close();
}

}  // namespace setup
