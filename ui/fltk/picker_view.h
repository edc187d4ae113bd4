// The directory picker TForm2 on screen: a tool window with a folder tree of the drives that
// the platform's directory search reaches, the selected path below it, Cancel and OK.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "ui/form2.h"
#include "ui/ui_service.h"

class Fl_Double_Window;
class Fl_Tree;
class Fl_Tree_Item;

namespace ui::fltk {

class LabelWidget;
class GlyphButton;

class PickerView {
 public:
  explicit PickerView(TForm2& form);
  ~PickerView();
  PickerView(const PickerView&) = delete;
  PickerView& operator=(const PickerView&) = delete;

  // Shows the picker modally until a button, a double-click, Escape or Enter sets the
  // form's result; the tree keeps its state for the next showing.
  ModalResult ShowModal();

  // The picker's window, for tests that look at its widgets.
  Fl_Double_Window* Window() const { return window_.get(); }

  // The folder tree's handlers, called by the tree widget.
  void Opened(Fl_Tree_Item* item);
  void Selected(Fl_Tree_Item* item);
  void DoubleClicked();
  void Press(TBitBtn& button);

 private:
  void AddDrives();
  void AddFolder(Fl_Tree_Item* parent, const std::string& name, const std::string& path);
  void LoadChildren(Fl_Tree_Item* item);
  void SelectStartFolder();
  const std::string* PathOf(Fl_Tree_Item* item) const;

  TForm2& form_;
  std::deque<std::string> paths_;  // the Windows path of every tree item, by user data
  std::unique_ptr<Fl_Double_Window> window_;
  Fl_Tree* tree_ = nullptr;
  LabelWidget* label_ = nullptr;
  bool started_ = false;
};

}  // namespace ui::fltk
