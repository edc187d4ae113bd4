// The controls of the setup's windows as plain objects. Each holds exactly the state that the
// event handlers read and write; a view backend mirrors them on screen and reports the user's
// actions back as handler calls. All texts are code page 1250.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {

struct TColor {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor clBlack{0, 0, 0};
inline constexpr TColor clWhite{255, 255, 255};
inline constexpr TColor clLime{0, 255, 0};
inline constexpr TColor clMaroon{128, 0, 0};

struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;    // points; used when Height is 0
  int Height = 0;  // character height in pixels, 0 when given by Size
  bool Bold = false;
  bool CentralEuropean = false;  // EASTEUROPE_CHARSET
  TColor Color = clBlack;
};

// An ordered list of text lines with index base 0. Indexing past the end throws
// std::out_of_range; callers with a default for missing lines check Count first.
class TStrings {
 public:
  TStrings() = default;
  TStrings(std::initializer_list<std::string> lines) : lines_(lines) {}

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_.at(checked(index)); }
  void Put(int index, const std::string& text) { lines_.at(checked(index)) = text; }
  void Add(const std::string& text) { lines_.push_back(text); }
  void Clear() { lines_.clear(); }
  void Assign(std::vector<std::string> lines) { lines_ = std::move(lines); }
  const std::vector<std::string>& Lines() const { return lines_; }

  friend bool operator==(const TStrings&, const TStrings&) = default;

 private:
  static std::size_t checked(int index) {
    if (index < 0) throw std::out_of_range("list index out of bounds");
    return static_cast<std::size_t>(index);
  }
  std::vector<std::string> lines_;
};

enum class ControlKind {
  kLabel,
  kMemo,
  kButton,
  kBevel,
  kImage,
  kComboBox,
  kCheckListBox,
  kListBox,
  kProgressBar,
  kDirTree,
};

// What every control has: its name, its kind, the page it sits on (-1: the window itself)
// and its place in the parent's client coordinates. A width or height of 0 means "sized by
// its content" (labels).
class TControl {
 public:
  TControl(ControlKind kind, std::string name, int page, int left, int top, int width, int height)
      : Kind(kind),
        Name(std::move(name)),
        Page(page),
        Left(left),
        Top(top),
        Width(width),
        Height(height) {}
  virtual ~TControl() = default;

  const ControlKind Kind;
  const std::string Name;
  const int Page;
  int Left, Top, Width, Height;
  bool Visible = true;
  bool Enabled = true;
  std::string Hint;  // tooltips are switched off in the setup's windows; kept for the views
};

enum class TAlignment { kLeft, kCenter };

class TLabel : public TControl {
 public:
  TLabel(std::string name, int page, int left, int top, std::string caption)
      : TControl(ControlKind::kLabel, std::move(name), page, left, top, 0, 0),
        Caption(std::move(caption)) {}
  std::string Caption;
  TAlignment Alignment = TAlignment::kLeft;
  bool Transparent = false;
  TFont Font;
};

class TMemo : public TControl {
 public:
  TMemo(std::string name, int page, int left, int top, int width, int height)
      : TControl(ControlKind::kMemo, std::move(name), page, left, top, width, height) {}
  TStrings Lines;
  bool ReadOnly = false;
  bool ScrollBars = false;  // both scroll bars
};

enum class TButtonKind { kCustom, kOK, kCancel };

// The small picture beside a button's caption, by what the button does.
enum class TGlyph { kNone, kNext, kBack, kCancel, kOK, kUninstall };

class TBitBtn : public TControl {
 public:
  TBitBtn(std::string name, int page, int left, int top, int width, int height, std::string caption,
          int tag = 0)
      : TControl(ControlKind::kButton, std::move(name), page, left, top, width, height),
        Caption(std::move(caption)),
        Tag(tag) {}
  std::string Caption;
  int Tag;
  TButtonKind ButtonKind = TButtonKind::kCustom;
  TGlyph Glyph = TGlyph::kNone;
  // Bound by the owning window; the view calls it through the window's Click.
  std::function<void()> OnClick;
};

class TBevel : public TControl {
 public:
  TBevel(std::string name, int page, int left, int top, int width, int height)
      : TControl(ControlKind::kBevel, std::move(name), page, left, top, width, height) {}
};

// What an image shows: the picture of a folder or of a program.
enum class TPicture { kNone, kFolder, kProgram };

class TImage : public TControl {
 public:
  TImage(std::string name, int page, int left, int top, int width, int height, TPicture picture)
      : TControl(ControlKind::kImage, std::move(name), page, left, top, width, height),
        Picture(picture) {}
  TPicture Picture;
  bool Transparent = false;
};

// A drop-down list the user cannot type into: items, the selected index (-1: none) and the
// text shown in the box.
class TComboBox : public TControl {
 public:
  TComboBox(std::string name, int page, int left, int top, int width)
      : TControl(ControlKind::kComboBox, std::move(name), page, left, top, width, 0) {}
  TStrings Items;
  int ItemIndex = -1;
  std::string Text;

  // Selects an entry and shows its text; an index outside the items selects nothing.
  void Select(int index) {
    if (index >= 0 && index < Items.Count()) {
      ItemIndex = index;
      Text = Items[index];
    } else {
      ItemIndex = -1;
      Text.clear();
    }
  }
  // The text of the selected entry; empty when nothing is selected.
  std::string SelectedText() const {
    return ItemIndex >= 0 && ItemIndex < Items.Count() ? Items[ItemIndex] : std::string();
  }
};

// A list with a check box per item. The check states belong to item positions: an item that
// the list does not hold reads as unticked and cannot be ticked.
class TCheckListBox : public TControl {
 public:
  TCheckListBox(std::string name, int page, int left, int top, int width, int height)
      : TControl(ControlKind::kCheckListBox, std::move(name), page, left, top, width, height) {}
  TStrings Items;

  bool Checked(int index) const {
    return index >= 0 && index < Items.Count() &&
           static_cast<std::size_t>(index) < checked_.size() &&
           checked_[static_cast<std::size_t>(index)];
  }
  void SetChecked(int index, bool value) {
    if (index < 0 || index >= Items.Count()) return;
    if (checked_.size() <= static_cast<std::size_t>(index)) checked_.resize(index + 1, false);
    checked_[static_cast<std::size_t>(index)] = value;
  }

 private:
  std::vector<bool> checked_;
};

class TListBox : public TControl {
 public:
  TListBox(std::string name, int page, int left, int top, int width, int height)
      : TControl(ControlKind::kListBox, std::move(name), page, left, top, width, height) {}
  TStrings Items;
};

// A progress bar over 0..100 that shows its position as text with the suffix "%". A position
// outside the range is ignored: the bar keeps the one it has.
class TProgressBar : public TControl {
 public:
  static constexpr int Min = 0;
  static constexpr int Max = 100;

  TProgressBar(std::string name, int page, int left, int top, int width, int height)
      : TControl(ControlKind::kProgressBar, std::move(name), page, left, top, width, height) {}

  int Position() const { return position_; }
  void SetPosition(int value) {
    if (value >= Min && value <= Max) position_ = value;
  }
  std::string Text() const { return std::to_string(position_) + "%"; }

 private:
  int position_ = Min;
};

// One page of a page control.
struct TTabSheet {
  std::string Name;
  int PageIndex = 0;
};

// A page control whose tabs are hidden: the pages and the one shown.
class TPageControl {
 public:
  TPageControl(int left, int top, int width, int height, std::vector<TTabSheet> pages)
      : Left(left), Top(top), Width(width), Height(height), pages_(std::move(pages)) {}

  int Left, Top, Width, Height;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  const TTabSheet& Page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
  int ActivePageIndex() const { return active_; }
  // Shows page `index`; an index that names no page is refused.
  void SetActivePageIndex(int index) {
    if (index < 0 || index >= PageCount()) throw std::out_of_range("page index out of bounds");
    active_ = index;
  }

 private:
  std::vector<TTabSheet> pages_;
  int active_ = 0;
};

// The directory tree of the picker: the selected folder as a Windows path ("C:\", "D:\Work").
class TDirTree : public TControl {
 public:
  TDirTree(std::string name, int page, int left, int top, int width, int height)
      : TControl(ControlKind::kDirTree, std::move(name), page, left, top, width, height) {}
  std::string Directory;
  int Indent = 19;
  bool ReadOnly = true;
};

// Calls `visit` with `control` as the class of its kind, so that a view picks the code for
// each kind by overloading.
template <class Visitor>
decltype(auto) VisitControl(TControl& control, Visitor&& visit) {
  switch (control.Kind) {
    case ControlKind::kLabel:
      return visit(static_cast<TLabel&>(control));
    case ControlKind::kMemo:
      return visit(static_cast<TMemo&>(control));
    case ControlKind::kButton:
      return visit(static_cast<TBitBtn&>(control));
    case ControlKind::kBevel:
      return visit(static_cast<TBevel&>(control));
    case ControlKind::kImage:
      return visit(static_cast<TImage&>(control));
    case ControlKind::kComboBox:
      return visit(static_cast<TComboBox&>(control));
    case ControlKind::kCheckListBox:
      return visit(static_cast<TCheckListBox&>(control));
    case ControlKind::kListBox:
      return visit(static_cast<TListBox&>(control));
    case ControlKind::kProgressBar:
      return visit(static_cast<TProgressBar&>(control));
    case ControlKind::kDirTree:
      return visit(static_cast<TDirTree&>(control));
  }
  throw std::logic_error("a control of no known kind");
}

enum class TWindowState { kNormal, kMinimized, kMaximized };

}  // namespace ui
