// The directory picker window (unit seldir): a tool window, always on top, with a folder tree
// of the fixed, network and unknown-type drives, the selected path below it, and Cancel and
// OK buttons. It is created hidden at start and keeps its tree and selection between showings.
#pragma once

#include <cctype>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/ui_service.h"

namespace ui {

class TForm2 {
 public:
  // `startFolder` is the folder the tree selects when it is first shown (the source folder).
  explicit TForm2(const std::string& startFolder) {
    dirtree.Directory = startFolder;
    BitBtn1.ButtonKind = TButtonKind::kCancel;
    BitBtn1.Glyph = TGlyph::kCancel;
    BitBtn2.ButtonKind = TButtonKind::kOK;
    BitBtn2.Glyph = TGlyph::kOK;
    BitBtn1.OnClick = [this] { Result = ModalResult::kCancel; };
    // OK returns the selected folder; with none selected (no drive offered) it does nothing.
    BitBtn2.OnClick = [this] {
      if (!dirtree.Directory.empty()) Result = ModalResult::kOK;
    };
  }
  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  const std::string Caption = "Directory";
  const int Left = 471;
  const int Top = 117;
  const int ClientWidth = 258;
  const int ClientHeight = 232;

  TDirTree dirtree{"dirtree", -1, 8, 8, 241, 149};
  TLabel Label1{"Label1", -1, 8, 164, "C:"};
  TBitBtn BitBtn1{"BitBtn1", -1, 40, 184, 81, 33, "Cancel"};
  TBitBtn BitBtn2{"BitBtn2", -1, 156, 184, 77, 33, "OK"};

  // Set by the buttons (and the double-click) while the picker is shown; any result other
  // than kNone closes it.
  ModalResult Result = ModalResult::kNone;

  // The folder the tree selects when it is first shown, given the roots of the drives it
  // offers ("C:\\", in the tree's order): the start folder when its drive is offered (the
  // views go down it as far as its folders exist); otherwise the root of the first drive
  // offered, so that the selection, the label and what OK returns are one folder from the
  // start. Empty when no drive is offered.
  static std::string FirstSelection(const std::string& startFolder,
                                    const std::vector<std::string>& offeredRoots) {
    for (const std::string& root : offeredRoots) {
      if (startFolder.size() >= 2 && root.size() >= 2 && startFolder[1] == ':' &&
          std::toupper(static_cast<unsigned char>(startFolder[0])) ==
              std::toupper(static_cast<unsigned char>(root[0]))) {
        return startFolder;
      }
    }
    return offeredRoots.empty() ? std::string() : offeredRoots.front();
  }

  // The tree's selection changed: the label follows it.
  void dirtreeChange(const std::string& folder) {
    dirtree.Directory = folder;
    Label1.Caption = folder;
  }
  // A double-click in the tree presses OK.
  void dirtreeDblClick() { BitBtn2.OnClick(); }
};

}  // namespace ui
