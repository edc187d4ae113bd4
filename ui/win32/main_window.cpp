// The main window TForm1 on screen: the painted background and title, the page area centred
// by FormResize with one child window per page, the native controls mirrored from TForm1's
// control objects, and the UI service (message boxes, pending messages, screen metrics).
#include <algorithm>

#include "platform/codepage.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/view_impl.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"VorlexSetupMain";
constexpr wchar_t kPageClass[] = L"VorlexSetupPage";
constexpr wchar_t kFontProperty[] = L"VorlexSetupFont";

COLORREF ToColorRef(TColor color) { return RGB(color.r, color.g, color.b); }

std::string JoinLines(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

void SetText(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, Wide(text).c_str()); }

int ScreenPixelsPerInch() { return GetDeviceCaps(WindowDc(nullptr), LOGPIXELSY); }

// The progress bars draw their position as text ("40%", their window text) over the bar.
WNDPROC progressProc = nullptr;

LRESULT CALLBACK ProgressWithText(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) RemovePropW(hwnd, kFontProperty);
  if (message != WM_PAINT) return CallWindowProcW(progressProc, hwnd, message, wParam, lParam);
  const PaintDc dc(hwnd);
  CallWindowProcW(progressProc, hwnd, WM_PAINT, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0);
  wchar_t text[32] = {};
  GetWindowTextW(hwnd, text, 32);
  RECT client;
  GetClientRect(hwnd, &client);
  const Selected font(dc, GetPropW(hwnd, kFontProperty));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextW(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return 0;
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Messages that the main window and its page windows handle alike: notifications of the
// controls, their colours and the owner-drawn buttons.
bool CommonMessage(Win32View::Impl* view, UINT message, WPARAM wParam, LPARAM lParam,
                   LRESULT& result) {
  if (view == nullptr || view->form == nullptr) return false;
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) {
        // No exception may cross the window procedure: it is reported like a handler's.
        try {
          view->Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        } catch (const std::exception& error) {
          view->form->ReportError(error);
        }
        result = 0;
        return true;
      }
      return false;
    case WM_CTLCOLORSTATIC:
      result = view->ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return result != 0;
    case WM_DRAWITEM:
      view->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    default:
      return false;
  }
}

void StoreView(HWND hwnd, LPARAM lParam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) StoreView(hwnd, lParam);
  Win32View::Impl* view = ImplOf(hwnd);
  LRESULT result = 0;
  if (CommonMessage(view, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers the whole client area
    case WM_PAINT:
      if (view != nullptr && view->form != nullptr) {
        view->Paint(hwnd);
        return 0;
      }
      break;
    case WM_SIZE:
      if (view != nullptr && view->form != nullptr && view->pageArea != nullptr) {
        view->form->ProgramMinimized = wParam == SIZE_MINIMIZED;
        if (wParam != SIZE_MINIMIZED) {
          try {
            view->Resized();
          } catch (const std::exception& error) {
            view->form->ReportError(error);
          }
        }
      }
      return 0;
    case WM_CLOSE:
      // Alt+F4: the same close request as the program's own; the loop then ends.
      if (view != nullptr && view->form != nullptr) view->form->Close();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) StoreView(hwnd, lParam);
  Win32View::Impl* view = ImplOf(hwnd);
  LRESULT result = 0;
  if (CommonMessage(view, message, wParam, lParam, result)) return result;
  if (message == WM_PAINT && view != nullptr && view->form != nullptr) {
    view->PaintPage(hwnd);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW main{};
  main.cbSize = sizeof main;
  main.style = CS_HREDRAW | CS_VREDRAW;
  main.lpfnWndProc = MainProc;
  main.hInstance = instance;
  main.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  main.hIcon = ProgramIcon(instance, SM_CXICON);
  main.hIconSm = ProgramIcon(instance, SM_CXSMICON);
  main.lpszClassName = kMainClass;
  RegisterClassExW(&main);

  WNDCLASSEXW page{};
  page.cbSize = sizeof page;
  page.lpfnWndProc = PageProc;
  page.hInstance = instance;
  page.hCursor = main.hCursor;
  page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  page.lpszClassName = kPageClass;
  RegisterClassExW(&page);
}

}  // namespace

HICON ProgramIcon(HINSTANCE instance, int metric) {
  const int size = GetSystemMetrics(metric);
  if (auto* icon = static_cast<HICON>(
          LoadImageW(instance, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON, size, size, LR_SHARED))) {
    return icon;
  }
  return LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
}

std::wstring Wide(const std::string& cp1250) {
  const std::u16string text = plat::Cp1250ToUtf16(cp1250);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(const std::wstring& wide) {
  return plat::Utf16ToCp1250(std::u16string(wide.begin(), wide.end()));
}

Win32View::Impl* ImplOf(HWND hwnd) {
  return reinterpret_cast<Win32View::Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

Win32View::Win32View(void* instance) : impl_(std::make_unique<Impl>()) {
  impl_->instance = static_cast<HINSTANCE>(instance);
  RegisterClasses(impl_->instance);
  RegisterPickerClass(impl_->instance);
}

Win32View::~Win32View() = default;

HFONT Win32View::Impl::FontFor(const TFont& font) {
  const int height =
      font.Height != 0 ? -font.Height : -MulDiv(font.Size, ScreenPixelsPerInch(), 72);
  const std::wstring key =
      Wide(font.Name) + L"|" + std::to_wstring(height) + L"|" + (font.Bold ? L"b" : L"");
  if (const auto found = fonts.find(key); found != fonts.end()) return found->second.get();
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  // Every text is Czech (code page 1250): ask for the Central European glyphs whatever the
  // ANSI code page, or a Western system draws boxes for letters such as "ě".
  lf.lfCharSet = EASTEUROPE_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Wide(font.Name).substr(0, LF_FACESIZE - 1);
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return fonts.emplace(key, CreateFontIndirectW(&lf)).first->second.get();
}

void Win32View::Impl::CreateMainWindow() {
  setup::TForm1& f = *form;
  // Dialog border and caption with the program's icon. The icon needs a system menu; it
  // offers nothing but Move, so the caption's only button, the close box, stays disabled.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
  main = CreateWindowExW(exStyle, kMainClass, Wide(f.Caption).c_str(), style, f.Left, f.Top,
                         f.Width, f.Height, nullptr, nullptr, instance, this);
  if (main == nullptr) throw std::runtime_error("the main window cannot be created");
  if (HMENU menu = GetSystemMenu(main, FALSE)) {
    for (const UINT command : {SC_CLOSE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
      DeleteMenu(menu, command, MF_BYCOMMAND);
    }
    // The separator that stood before Close.
    const int last = GetMenuItemCount(menu) - 1;
    if (last >= 0 && (GetMenuState(menu, last, MF_BYPOSITION) & MF_SEPARATOR) != 0) {
      DeleteMenu(menu, last, MF_BYPOSITION);
    }
  }
  // A window with a dialog frame shows an icon only when it is given one.
  SendMessageW(main, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(ProgramIcon(instance, SM_CXICON)));
  SendMessageW(main, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(ProgramIcon(instance, SM_CXSMICON)));

  pageArea = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"pages",
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, f.pages.Left, f.pages.Top,
                             f.pages.Width, f.pages.Height, main, nullptr, instance, this);
  pageLeft = f.pages.Left;
  pageTop = f.pages.Top;
  for (int i = 0; i < f.pages.PageCount(); ++i) {
    pages.push_back(CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass,
                                    Wide(f.pages.Page(i).Name).c_str(), WS_CHILD | WS_CLIPCHILDREN,
                                    0, 0, f.pages.Width, f.pages.Height, pageArea, nullptr,
                                    instance, this));
  }
  const std::vector<TControl*> controls = f.Controls();
  bound.reserve(controls.size());
  for (TControl* control : controls) {
    if (control->Page >= 0) CreateControl(*control);
  }
}

void Win32View::Impl::CreateControl(TControl& control) {
  Bound b;
  b.control = &control;
  HWND parent = pages.at(static_cast<std::size_t>(control.Page));
  const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + bound.size()));
  const DWORD child = WS_CHILD | (control.Enabled ? 0 : WS_DISABLED);
  const int x = control.Left, y = control.Top, w = control.Width, h = control.Height;
  b.font = FontFor(form->Font);
  auto make = [&](DWORD ex, const wchar_t* cls, DWORD style, int height = -1) {
    return CreateWindowExW(ex, cls, L"", child | style, x, y, w, height < 0 ? h : height, parent,
                           id, instance, nullptr);
  };
  switch (control.Kind) {
    case ControlKind::kLabel: {
      const auto& label = static_cast<const TLabel&>(control);
      b.font = FontFor(label.Font);
      b.hwnd = make(0, L"STATIC",
                    SS_NOPREFIX | (label.Alignment == TAlignment::kCenter ? SS_CENTER : SS_LEFT));
      break;
    }
    case ControlKind::kMemo: {
      const auto& memo = static_cast<const TMemo&>(control);
      DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | (memo.ReadOnly ? ES_READONLY : 0);
      if (memo.ScrollBars) style |= WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL;
      b.hwnd = make(WS_EX_CLIENTEDGE, L"EDIT", style | WS_TABSTOP);
      break;
    }
    case ControlKind::kButton:
      b.hwnd = make(0, L"BUTTON", BS_PUSHBUTTON | BS_OWNERDRAW | WS_TABSTOP);
      break;
    case ControlKind::kBevel:
      // Drawn by its page (PaintPage): a frame control would leave its inside unpainted.
      bound.push_back(std::move(b));
      return;
    case ControlKind::kImage: {
      // The system's application icon stands for the program, its small information icon
      // for the folder.
      const TPicture picture = static_cast<const TImage&>(control).Picture;
      b.hwnd = make(0, L"STATIC", SS_ICON | SS_CENTERIMAGE);
      if (picture != TPicture::kNone) {
        const bool program = picture == TPicture::kProgram;
        const int size = program ? 32 : GetSystemMetrics(SM_CXSMICON);
        HANDLE icon = LoadImageW(
            nullptr, reinterpret_cast<LPCWSTR>(program ? IDI_APPLICATION : IDI_INFORMATION),
            IMAGE_ICON, size, size, LR_SHARED);
        SendMessageW(b.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
      }
      SetWindowPos(b.hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case ControlKind::kComboBox:
      b.hwnd = make(0, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 200);
      break;
    case ControlKind::kCheckListBox: {
      // A framed box with one check box per row.
      b.hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, kPageClass, L"", child | WS_CLIPCHILDREN, x, y, w,
                               h, parent, id, instance, this);
      RECT inner;
      GetClientRect(b.hwnd, &inner);
      const int row = inner.bottom / 2;
      // Both boxes carry the list's ID; the second one is told apart by its handle, the
      // first one is found as the container's first child.
      auto box = [&](int top, int height) {
        HWND hwnd =
            CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_CHECKBOX | WS_TABSTOP, 2,
                            top, inner.right - 2, height, b.hwnd, id, instance, nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(b.font), FALSE);
        return hwnd;
      };
      box(0, row);
      b.extra = box(row, inner.bottom - row);
      break;
    }
    case ControlKind::kListBox:
      b.hwnd = make(WS_EX_CLIENTEDGE, L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | WS_TABSTOP);
      break;
    case ControlKind::kProgressBar:
      b.hwnd = make(0, PROGRESS_CLASSW, PBS_SMOOTH);
      SendMessageW(b.hwnd, PBM_SETRANGE32, TProgressBar::Min, TProgressBar::Max);
      SetPropW(b.hwnd, kFontProperty, b.font);
      progressProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(b.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProgressWithText)));
      break;
    case ControlKind::kDirTree:
      throw std::logic_error("the main window holds no directory tree");
  }
  if (b.hwnd == nullptr) throw std::runtime_error("control " + control.Name + " cannot be created");
  SendMessageW(b.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(b.font), FALSE);
  b.visible = !control.Visible;  // forces the first sync to set both states
  b.enabled = !control.Enabled;
  bound.push_back(std::move(b));
}

namespace {

void ShowVerticalScrollBar(HWND hwnd, bool shown) {
  LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  style = shown ? (style | WS_VSCROLL) : (style & ~static_cast<LONG_PTR>(WS_VSCROLL));
  SetWindowLongPtrW(hwnd, GWL_STYLE, style);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// An explanatory memo whose wrapped lines are more than its box shows gets a vertical scroll
// bar and is enabled (it stays read-only), so that the user can scroll to its last line; one
// whose text fits is shown as the control says.
void FitMemo(Bound& b, const TMemo& memo) {
  if (memo.ScrollBars) return;
  if (b.scrolls) ShowVerticalScrollBar(b.hwnd, false);
  RECT area{};
  SendMessageW(b.hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  const auto lines = SendMessageW(b.hwnd, EM_GETLINECOUNT, 0, 0);
  b.scrolls = lines * TextExtent(b.hwnd, b.font, L"").cy > area.bottom - area.top;
  if (b.scrolls) ShowVerticalScrollBar(b.hwnd, true);
  EnableWindow(b.hwnd, memo.Enabled || b.scrolls);
}

// Shows `text` in the control's window when it differs from what it shows (or nothing was
// shown yet); true when it did.
bool ShowText(Bound& b, const std::string& text) {
  if (b.text == text && b.index != -2) return false;
  b.text = text;
  b.index = 0;
  SetText(b.hwnd, text);
  return true;
}

// What each kind of control shows, brought in line with the control. Bevels and images show
// nothing that changes.
void Mirror(Bound&, const TControl&) {}

// A label that sizes itself takes the size of its text.
void Mirror(Bound& b, const TLabel& label) {
  if (!ShowText(b, label.Caption) || (label.Width != 0 && label.Height != 0)) return;
  const SIZE size = TextExtent(b.hwnd, b.font, Wide(label.Caption));
  SetWindowPos(b.hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Mirror(Bound& b, const TMemo& memo) {
  if (ShowText(b, JoinLines(memo.Lines))) FitMemo(b, memo);
}

void Mirror(Bound& b, const TBitBtn& button) {
  if (ShowText(b, button.Caption)) InvalidateRect(b.hwnd, nullptr, TRUE);
}

void Mirror(Bound& b, const TComboBox& combo) {
  if (b.items != combo.Items.Lines()) {
    b.items = combo.Items.Lines();
    SendMessageW(b.hwnd, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : b.items) {
      SendMessageW(b.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    }
    b.index = -2;
  }
  if (b.index != combo.ItemIndex) {
    b.index = combo.ItemIndex;
    SendMessageW(b.hwnd, CB_SETCURSEL, static_cast<WPARAM>(b.index), 0);
  }
}

// The two check boxes of the list: the first is the container's first child.
void Mirror(Bound& b, const TCheckListBox& list) {
  const HWND boxes[2] = {GetWindow(b.hwnd, GW_CHILD), b.extra};
  const std::vector<bool> checks = {list.Checked(0), list.Checked(1)};
  if (b.items != list.Items.Lines()) {
    b.items = list.Items.Lines();
    for (int i = 0; i < 2; ++i) {
      SetText(boxes[i], i < list.Items.Count() ? list.Items[i] : std::string());
      ShowWindow(boxes[i], i < list.Items.Count() ? SW_SHOWNA : SW_HIDE);
    }
  }
  if (b.checks != checks) {
    b.checks = checks;
    for (int i = 0; i < 2; ++i) {
      SendMessageW(boxes[i], BM_SETCHECK,
                   checks[static_cast<std::size_t>(i)] ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

// Lines appended to the log are added; any other change fills the list anew.
void Mirror(Bound& b, const TListBox& list) {
  const std::vector<std::string>& items = list.Items.Lines();
  if (b.items == items) return;
  const bool appended =
      items.size() >= b.items.size() && std::equal(b.items.begin(), b.items.end(), items.begin());
  std::size_t from = b.items.size();
  if (!appended) {
    SendMessageW(b.hwnd, LB_RESETCONTENT, 0, 0);
    from = 0;
  }
  for (std::size_t i = from; i < items.size(); ++i) {
    SendMessageW(b.hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(items[i]).c_str()));
  }
  b.items = items;
}

void Mirror(Bound& b, const TProgressBar& bar) {
  if (b.index == bar.Position()) return;
  b.index = bar.Position();
  SendMessageW(b.hwnd, PBM_SETPOS, static_cast<WPARAM>(b.index), 0);
  SetText(b.hwnd, bar.Text());
  InvalidateRect(b.hwnd, nullptr, TRUE);
}

}  // namespace

void Win32View::Impl::SyncControl(Bound& b) {
  TControl& c = *b.control;
  if (b.hwnd == nullptr) {
    // A bevel: its page draws it.
    if (b.visible != c.Visible) {
      b.visible = c.Visible;
      InvalidateRect(pages.at(static_cast<std::size_t>(c.Page)), nullptr, TRUE);
    }
    return;
  }
  if (b.visible != c.Visible) {
    ShowWindow(b.hwnd, c.Visible ? SW_SHOWNA : SW_HIDE);
    b.visible = c.Visible;
  }
  if (b.enabled != c.Enabled) {
    EnableWindow(b.hwnd, c.Enabled || b.scrolls);
    if (c.Kind == ControlKind::kCheckListBox) {
      EnableWindow(GetWindow(b.hwnd, GW_CHILD), c.Enabled);
      EnableWindow(b.extra, c.Enabled);
    }
    b.enabled = c.Enabled;
  }
  VisitControl(c, [&b](auto& typed) { Mirror(b, typed); });
}

void Win32View::Impl::Sync() {
  if (main == nullptr || form == nullptr) return;
  for (Bound& b : bound) SyncControl(b);
  const int active = form->pages.ActivePageIndex();
  if (active != shownPage) {
    ShowWindow(pages.at(static_cast<std::size_t>(active)), SW_SHOWNA);
    if (shownPage >= 0) ShowWindow(pages.at(static_cast<std::size_t>(shownPage)), SW_HIDE);
    shownPage = active;
  }
  if (form->pages.Left != pageLeft || form->pages.Top != pageTop) {
    pageLeft = form->pages.Left;
    pageTop = form->pages.Top;
    SetWindowPos(pageArea, nullptr, pageLeft, pageTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (form->Closed()) PostMessageW(main, WM_NULL, 0, 0);
  SyncPicker();
}

void Win32View::Impl::Paint(HWND hwnd) {
  const PaintDc dc(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  HGDIOBJ brush = GetStockObject(DC_BRUSH);
  for (const setup::PaintBand& band : form->FormPaint(client.right, client.bottom)) {
    const RECT r{band.rect.left, band.rect.top, band.rect.right, band.rect.bottom};
    if (r.top >= client.bottom) break;
    SetDCBrushColor(dc, ToColorRef(band.color));
    FillRect(dc, &r, static_cast<HBRUSH>(brush));
  }
  SetBkMode(dc, TRANSPARENT);
  for (const TLabel* title : {&form->Label4, &form->Label5, &form->Label7}) {
    if (!title->Visible) continue;
    const Selected font(dc, FontFor(title->Font));
    SetTextColor(dc, ToColorRef(title->Font.Color));
    const std::wstring text = Wide(title->Caption);
    TextOutW(dc, title->Left, title->Top, text.c_str(), static_cast<int>(text.size()));
  }
}

void Win32View::Impl::PaintPage(HWND hwnd) {
  const PaintDc dc(hwnd);
  for (const Bound& b : bound) {
    const TControl& c = *b.control;
    if (c.Kind != ControlKind::kBevel || !c.Visible || c.Page < 0 ||
        pages.at(static_cast<std::size_t>(c.Page)) != hwnd) {
      continue;
    }
    RECT frame{c.Left, c.Top, c.Left + c.Width, c.Top + c.Height};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  }
}

void Win32View::Impl::Resized() {
  RECT outer;
  GetWindowRect(main, &outer);
  form->Width = outer.right - outer.left;
  form->Height = outer.bottom - outer.top;
  form->FormResize();
  Sync();
}

void Win32View::Impl::Command(int id, int code, HWND from) {
  const int index = id - kFirstId;
  if (index < 0 || index >= static_cast<int>(bound.size())) return;
  Bound& b = bound[static_cast<std::size_t>(index)];
  switch (b.control->Kind) {
    case ControlKind::kButton:
      if (code == BN_CLICKED) form->Click(static_cast<TBitBtn&>(*b.control));
      break;
    case ControlKind::kCheckListBox:
      if (code == BN_CLICKED) form->ToggleIcon(from == b.extra ? 1 : 0);
      break;
    case ControlKind::kComboBox:
      if (code == CBN_SELCHANGE) {
        form->ChooseDirectory(static_cast<int>(SendMessageW(b.hwnd, CB_GETCURSEL, 0, 0)));
      }
      break;
    default:
      break;
  }
  Sync();
}

LRESULT Win32View::Impl::ColorStatic(HDC dc, HWND from) {
  for (const Bound& b : bound) {
    if (b.hwnd != from || b.control->Kind != ControlKind::kLabel) continue;
    const TColor color = static_cast<const TLabel&>(*b.control).Font.Color;
    if (color == clBlack) return 0;
    SetTextColor(dc, ToColorRef(color));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return 0;
}

void Win32View::Impl::DrawItem(const DRAWITEMSTRUCT& item) {
  for (const Bound& b : bound) {
    if (b.hwnd == item.hwndItem && b.control->Kind == ControlKind::kButton) {
      DrawButton(item, static_cast<const TBitBtn&>(*b.control).Glyph, b.font);
      return;
    }
  }
}

HWND Win32View::Impl::Owner() const {
  return main != nullptr && shown && IsWindowVisible(main) ? main : nullptr;
}

void Win32View::Impl::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int Win32View::Run(setup::TForm1& form, TForm2& picker) {
  Open(form, picker);
  Loop();
  Shut();
  return 0;
}

void Win32View::Open(setup::TForm1& form, TForm2& picker) {
  Impl& v = *impl_;
  v.form = &form;
  v.picker = &picker;
  v.CreateMainWindow();
  v.CreatePicker();

  form.FormShow();
  SetWindowPos(v.main, nullptr, form.Left, form.Top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  v.Sync();
  v.shown = true;
  ShowWindow(v.main,
             form.WindowState == TWindowState::kMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(v.main);
  // Children moved while the window was being maximised may be left unpainted otherwise.
  RedrawWindow(v.main, nullptr, nullptr, RDW_ALLCHILDREN | RDW_INVALIDATE | RDW_ERASE);
  if (form.MinimizeAfterShow) {
    form.MinimizeAfterShow = false;
    ShowWindow(v.main, SW_MINIMIZE);
  }
}

void Win32View::Loop() {
  MSG msg;
  while (impl_->form != nullptr && !impl_->form->Closed()) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
    // Tab and the arrow keys move between the controls.
    if (!IsDialogMessageW(impl_->main, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Win32View::Shut() {
  Impl& v = *impl_;
  v.shown = false;
  if (v.pickerWnd != nullptr) DestroyWindow(v.pickerWnd);
  if (v.main != nullptr) DestroyWindow(v.main);
  v.pickerWnd = v.tree = v.pickerLabel = v.pickerCancel = v.pickerOk = nullptr;
  v.main = v.pageArea = nullptr;
  v.pages.clear();
  v.bound.clear();
  v.shownPage = v.pageLeft = v.pageTop = -1;
  v.form = nullptr;
  v.picker = nullptr;
}

void* Win32View::MainWindow() const { return impl_->main; }

void* Win32View::PickerWindow() const { return impl_->pickerWnd; }

int Win32View::MessageBox(const std::string& text, const std::string& caption,
                          std::uint32_t flags) {
  impl_->Sync();
  const int answer = MessageBoxW(impl_->Owner(), Wide(text).c_str(), Wide(caption).c_str(), flags);
  impl_->Sync();
  return answer;
}

void Win32View::ProcessMessages() {
  impl_->Sync();
  impl_->Pump();
}

void Win32View::Invalidate() {
  impl_->Sync();
  if (impl_->main != nullptr) {
    RedrawWindow(impl_->main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

ScreenSize Win32View::VirtualScreen() {
  return {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

std::optional<WindowPlacementInfo> Win32View::MainWindowPlacement() {
  if (impl_->main == nullptr) return std::nullopt;
  WINDOWPLACEMENT shown{};
  shown.length = sizeof shown;
  if (!GetWindowPlacement(impl_->main, &shown)) return std::nullopt;
  WindowPlacementInfo placement;
  placement.flags = shown.flags;
  placement.showCmd = static_cast<int>(shown.showCmd);
  placement.minX = shown.ptMinPosition.x;
  placement.minY = shown.ptMinPosition.y;
  placement.maxX = shown.ptMaxPosition.x;
  placement.maxY = shown.ptMaxPosition.y;
  placement.left = shown.rcNormalPosition.left;
  placement.top = shown.rcNormalPosition.top;
  placement.right = shown.rcNormalPosition.right;
  placement.bottom = shown.rcNormalPosition.bottom;
  return placement;
}

int Win32View::PixelsPerInch() { return ScreenPixelsPerInch(); }

}  // namespace ui::win32
