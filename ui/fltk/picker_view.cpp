#include "ui/fltk/picker_view.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Tree.H>

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/files.h"
#include "ui/fltk/text.h"
#include "ui/fltk/widgets.h"

namespace ui::fltk {

namespace {

constexpr int kFontSize = kControlTextSize;

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// Folder names compare as the Windows file system does, without regard to letter case.
bool SameFolderName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

bool LessFolderName(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The folders directly inside `folder`, sorted; hidden folders are left out, as a search
// for folders without the hidden attribute does.
std::vector<std::string> SubfoldersOf(const std::string& folder) {
  std::vector<std::string> names;
  plat::DirSearch search(Join(folder, "*.*"));
  for (bool more = search.valid(); more; more = search.next()) {
    const plat::FindData& entry = search.entry();
    if ((entry.attributes & plat::kAttrDirectory) == 0) continue;
    if ((entry.attributes & plat::kAttrHidden) != 0) continue;
    if (entry.name == "." || entry.name == "..") continue;
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end(), LessFolderName);
  return names;
}

// Splits "Z:\a\b" into the drive "Z:" and its folders "a", "b".
std::vector<std::string> PathParts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('\\', at), path.size());
    if (end > at) parts.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

class FolderTree : public Fl_Tree {
 public:
  FolderTree(int x, int y, int w, int h, PickerView& view) : Fl_Tree(x, y, w, h), view_(view) {}

  // A double-click on a row (not on its open/close box) is the tree's double-click.
  int handle(int event) override {
    const bool second =
        event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE && Fl::event_clicks() > 0;
    const Fl_Tree_Item* clicked = second ? find_clicked() : nullptr;
    const bool onBox = clicked != nullptr && clicked->event_on_collapse_icon(prefs());
    const int used = Fl_Tree::handle(event);
    if (clicked != nullptr && !onBox) view_.DoubleClicked();
    return used;
  }

 private:
  PickerView& view_;
};

class PickerWindow : public Fl_Double_Window {
 public:
  PickerWindow(int x, int y, int w, int h, const char* caption)
      : Fl_Double_Window(x, y, w, h, caption) {}
};

}  // namespace

PickerView::PickerView(TForm2& form) : form_(form) {
  Fl_Group::current(nullptr);  // a window of its own, not a child of the current group
  window_ = std::make_unique<PickerWindow>(form.Left, form.Top, form.ClientWidth, form.ClientHeight,
                                           form.Caption.c_str());
  window_->copy_label(U(form.Caption).c_str());
  window_->xclass("VorlexSetupPicker");

  const TDirTree& t = form.dirtree;
  auto* tree = new FolderTree(t.Left, t.Top, t.Width, t.Height, *this);
  tree->showroot(0);
  tree->selectmode(FL_TREE_SELECT_SINGLE);
  tree->connectorstyle(FL_TREE_CONNECTOR_DOTTED);
  tree->connectorwidth(t.Indent - 2);
  tree->sortorder(FL_TREE_SORT_NONE);
  tree->item_labelfont(FL_HELVETICA);
  tree->item_labelsize(kFontSize);
  tree->box(FL_DOWN_BOX);
  tree->color(FL_WHITE);
  tree->when(FL_WHEN_CHANGED);
  tree->callback(
      [](Fl_Widget* widget, void* data) {
        auto* view = static_cast<PickerView*>(data);
        auto* folders = static_cast<Fl_Tree*>(widget);
        switch (folders->callback_reason()) {
          case FL_TREE_REASON_OPENED:
            view->Opened(folders->callback_item());
            break;
          case FL_TREE_REASON_SELECTED:
            view->Selected(folders->callback_item());
            break;
          default:
            break;
        }
      },
      this);
  tree_ = tree;

  FontSpec font{FL_HELVETICA, kFontSize, FL_BLACK};
  label_ = new LabelWidget(form.Label1.Left, form.Label1.Top, 0, 0, font, false, false);
  label_->SetText(U(form.Label1.Caption));

  for (TBitBtn* button : {&form.BitBtn1, &form.BitBtn2}) {
    auto* widget =
        new GlyphButton(button->Left, button->Top, button->Width, button->Height, button->Glyph);
    widget->SetCaption(U(button->Caption));
    widget->shortcut(button->ButtonKind == TButtonKind::kOK ? FL_Enter : FL_Escape);
    widget->callback(
        [](Fl_Widget* w, void* data) {
          auto* pressed = static_cast<TBitBtn*>(data);
          static_cast<PickerView*>(w->window()->user_data())->Press(*pressed);
        },
        button);
  }
  window_->end();
  window_->user_data(this);
  // Closing the window from its frame cancels, as the Cancel button does.
  window_->callback([](Fl_Widget* w, void*) {
    auto* view = static_cast<PickerView*>(w->user_data());
    view->Press(view->form_.BitBtn1);
  });
  window_->size_range(form.ClientWidth, form.ClientHeight, form.ClientWidth, form.ClientHeight);
  window_->set_modal();
}

PickerView::~PickerView() = default;

void PickerView::Press(TBitBtn& button) {
  if (button.OnClick) button.OnClick();
}

const std::string* PickerView::PathOf(Fl_Tree_Item* item) const {
  return item != nullptr ? static_cast<const std::string*>(item->user_data()) : nullptr;
}

void PickerView::AddFolder(Fl_Tree_Item* parent, const std::string& name, const std::string& path) {
  paths_.push_back(path);
  Fl_Tree_Item* item = tree_->add(parent, U(name).c_str());
  item->user_data(&paths_.back());
  // An empty child stands for the folders not read yet, so that the item can be opened.
  tree_->add(item, "");
  item->close();
}

void PickerView::AddDrives() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string drive = std::string(1, letter) + ":";
    const auto attributes = plat::FileAttributes(drive + "\\");
    if (attributes.ok() && (attributes.value() & plat::kAttrDirectory) != 0) {
      AddFolder(tree_->root(), drive, drive + "\\");
    }
  }
}

void PickerView::LoadChildren(Fl_Tree_Item* item) {
  const std::string* path = PathOf(item);
  if (path == nullptr || item->children() != 1 || item->child(0)->user_data() != nullptr) return;
  tree_->remove(item->child(0));
  for (const std::string& name : SubfoldersOf(*path)) AddFolder(item, name, Join(*path, name));
}

void PickerView::Opened(Fl_Tree_Item* item) {
  LoadChildren(item);
  tree_->redraw();
}

void PickerView::Selected(Fl_Tree_Item* item) {
  const std::string* path = PathOf(item);
  if (path == nullptr) return;
  form_.dirtreeChange(*path);
  label_->SetText(U(form_.Label1.Caption));
}

void PickerView::DoubleClicked() {
  if (PathOf(tree_->first_selected_item()) != nullptr) form_.dirtreeDblClick();
}

void PickerView::SelectStartFolder() {
  std::vector<std::string> roots;
  for (int i = 0; i < tree_->root()->children(); ++i) {
    if (const std::string* root = PathOf(tree_->root()->child(i))) roots.push_back(*root);
  }
  const std::vector<std::string> parts =
      PathParts(TForm2::FirstSelection(form_.dirtree.Directory, roots));
  Fl_Tree_Item* found = nullptr;
  Fl_Tree_Item* level = tree_->root();
  for (const std::string& part : parts) {
    Fl_Tree_Item* next = nullptr;
    for (int i = 0; i < level->children() && next == nullptr; ++i) {
      if (SameFolderName(U(part), level->child(i)->label() ? level->child(i)->label() : "")) {
        next = level->child(i);
      }
    }
    if (next == nullptr) break;
    found = next;
    LoadChildren(found);
    level = found;
  }
  if (found == nullptr) {
    // No drive offered: nothing is selected, the label is empty and OK does nothing.
    form_.dirtreeChange(std::string());
    label_->SetText(std::string());
    return;
  }
  for (Fl_Tree_Item* up = found->parent(); up != nullptr && up != tree_->root();
       up = up->parent()) {
    tree_->open(up, 0);
  }
  tree_->select_only(found, 0);
  tree_->set_item_focus(found);
  // The label and the folder OK returns follow the selection, as for a click.
  Selected(found);
}

ModalResult PickerView::ShowModal() {
  if (!started_) {
    started_ = true;
    AddDrives();
    SelectStartFolder();
  }
  window_->show();
  tree_->take_focus();
  // The tree places its items when it is drawn: the selection can be scrolled to only then.
  Fl::flush();
  if (Fl_Tree_Item* selected = tree_->first_selected_item()) tree_->show_item_middle(selected);
  while (form_.Result == ModalResult::kNone && window_->shown()) Fl::wait();
  window_->hide();
  if (form_.Result == ModalResult::kNone) form_.Result = ModalResult::kCancel;
  return form_.Result;
}

}  // namespace ui::fltk
