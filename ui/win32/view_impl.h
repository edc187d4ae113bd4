// Internal to the Win32 view: the state behind Win32View, shared by the main window's and
// the picker's sources. Project headers come first: <windows.h> defines MB_OK, IDOK and
// MessageBox as macros, which would rename the UI service's own names.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form1.h"
#include "ui/controls.h"
#include "ui/form2.h"
#include "ui/win32/win32_view.h"

// <windows.h> after the project headers, <commctrl.h> after <windows.h>.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include "ui/win32/gdi.h"

#undef MessageBox

namespace ui::win32 {

// Code page 1250 text as the W functions take it, and back.
std::wstring Wide(const std::string& cp1250);
std::string Narrow(const std::wstring& wide);

// Window data: the view, kept in GWLP_USERDATA of every window the view registers.
Win32View::Impl* ImplOf(HWND hwnd);

void RegisterPickerClass(HINSTANCE instance);

// The program's icon at the size the system uses for `metric` (SM_CXICON, SM_CXSMICON); the
// system's application icon when the program file carries none (as the test programs).
HICON ProgramIcon(HINSTANCE instance, int metric);

// A button with its small picture beside the caption, drawn in its normal or disabled state.
void DrawButton(const DRAWITEMSTRUCT& item, TGlyph glyph, HFONT font);

// One control of TForm1 on screen, with the state last shown, so that a sync touches only
// what changed.
struct Bound {
  TControl* control = nullptr;
  HWND hwnd = nullptr;
  HWND extra = nullptr;  // the check list's second box
  HFONT font = nullptr;
  bool visible = true;
  bool enabled = true;
  std::string text;
  std::vector<std::string> items;
  std::vector<bool> checks;
  int index = -2;
  bool scrolls = false;  // a memo whose text is longer than its box: scroll bar, enabled
};

struct Win32View::Impl {
  HINSTANCE instance = nullptr;
  setup::TForm1* form = nullptr;
  TForm2* picker = nullptr;

  HWND main = nullptr;
  HWND pageArea = nullptr;
  std::vector<HWND> pages;
  std::vector<Bound> bound;  // control ID = kFirstId + index
  int shownPage = -1;
  int pageLeft = -1, pageTop = -1;
  bool shown = false;
  std::map<std::wstring, GdiObject<HFONT>> fonts;

  // The picker.
  HWND pickerWnd = nullptr;
  HWND tree = nullptr;
  HWND pickerLabel = nullptr;
  HWND pickerCancel = nullptr;
  HWND pickerOk = nullptr;
  std::string pickerLabelText;
  bool treeFilled = false;

  static constexpr int kFirstId = kFirstControlId;

  HFONT FontFor(const TFont& font);
  void CreateMainWindow();
  void CreateControl(TControl& control);
  void Sync();
  void SyncControl(Bound& b);
  void Paint(HWND hwnd);
  void PaintPage(HWND hwnd);
  void Resized();
  void Command(int id, int code, HWND from);
  LRESULT ColorStatic(HDC dc, HWND from);
  void DrawItem(const DRAWITEMSTRUCT& item);
  HWND Owner() const;
  void Pump();

  void CreatePicker();
  void FillTree();
  void PickerCommand(int id);
  LRESULT PickerNotify(const NMHDR& header);
  void SyncPicker();
};

}  // namespace ui::win32
