// The uninstall run: the uninstall button's handler, from the installation record to the
// closing of the window.
#include <string_view>

#include "app/form1.h"
#include "install/paths.h"
#include "platform/codepage.h"
#include "platform/files.h"
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

  const std::string home = ShortPathOf(NormalizePath(RegInfo.RHomeDir));
  if (const std::string link = InShellFolder(SystemDirs1.StartMenuDir(), "\\vorlex.lnk");
      !link.empty()) {
    plat::DeleteFile(link);
  }
  if (const std::string link = InShellFolder(SystemDirs1.DeskTopDir(), "\\vorlex.lnk");
      !link.empty()) {
    plat::DeleteFile(link);
  }
  if (const std::string group = InShellFolder(SystemDirs1.StartMenuProgramsDir(), "\\vorlex");
      !group.empty()) {
    RemoveTree(group);
  }
  RegInfo.DeleteRecord();

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
    RemoveSelf(folder);
  }

  ui_.MessageBox(MessageLine(29), kBoxCaption, ui::MB_OK | ui::MB_ICONINFORMATION);
  ReleaseLock();
  Close();
}

}  // namespace setup
