// The uninstall run: the uninstall button's handler, from the installation record to the
// closing of the window.
#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "install/paths.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
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
    program = module.value.substr(module.value.find_last_of("\\:") + 1);
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

}  // namespace

void TForm1::BitBtn11Click(ui::TBitBtn&) {
  if (!RegInfo.ReadRecord()) {
    ui_.MessageBox(MessageLine(30), kBoxCaption, ui::MB_OK | ui::MB_ICONERROR);
    Close();
    return;
  }

  const std::string question =
      MessageLine(26) + " " + RegInfo.RHomeDir + " " + MessageLine(27) + "\r" + MessageLine(28);
  if (ui_.MessageBox(question, "", ui::MB_YESNO | ui::MB_ICONEXCLAMATION) != ui::IDYES) return;

  // Whatever cannot be removed is named at the end instead of the final message.
  std::vector<std::string> left;
  const std::string home = ShortPathOf(NormalizePath(RegInfo.RHomeDir));
  if (const std::string link = InShellFolder(SystemDirs1.StartMenuDir(), "\\vorlex.lnk");
      !link.empty()) {
    plat::DeleteFile(link);
    if (MayRemain(link)) left.push_back(link);
  }
  if (const std::string link = InShellFolder(SystemDirs1.DeskTopDir(), "\\vorlex.lnk");
      !link.empty()) {
    plat::DeleteFile(link);
    if (MayRemain(link)) left.push_back(link);
  }
  if (const std::string group = InShellFolder(SystemDirs1.StartMenuProgramsDir(), "\\vorlex");
      !group.empty()) {
    RemoveTree(group);
    if (MayRemain(group)) left.push_back(group);
  }
  RegInfo.DeleteRecord();
  const std::string recordKey = RegInfo.RKey + "\\" + RegInfo.RProg;
  if (const auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, recordKey);
      key.ok() || key.error != plat::kFileNotFound) {
    left.push_back("HKEY_CURRENT_USER" + recordKey);
  }

  // A record may name any folder. A drive root, the Windows or Program Files folder or a
  // shell folder is never taken as the home directory: its tree stays, and the user is told.
  const std::string folder = NormalizePath(home);
  if (!folder.empty() && IsProtectedFolder(folder, SystemDirs1)) {
    ui_.MessageBox(plat::Utf8ToCp1250("Složka ") + folder +
                       plat::Utf8ToCp1250(" nebyla odstraněna: je to kořen disku nebo "
                                          "složka systému.\rThe folder was not removed: it "
                                          "is a drive root or a system folder."),
                   kBoxCaption, ui::MB_OK | ui::MB_ICONEXCLAMATION);
  } else {
    // Without its batch the program file and the folder it lies in stay.
    if (!RemoveSelf(folder))
      left.push_back(NormalizePath(LwTempFolder + "\\" + kSelfRemovalBatchName));
    if (!folder.empty()) AddLeftInHome(folder, left);
  }

  if (left.empty()) {
    ui_.MessageBox(MessageLine(29), kBoxCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
  } else {
    std::string text = plat::Utf8ToCp1250("Odinstalace nebyla dokončena, zůstalo:");
    for (const std::string& line : left) text += "\r" + line;
    ui_.MessageBox(text, kBoxCaption, ui::MB_OK | ui::MB_ICONERROR);
  }
  ReleaseLock();
  Close();
}

}  // namespace setup
