// The directory picker TForm2 on screen: a tool window, always on top, with a folder tree of
// the drives of unknown type, fixed disks and network drives, the selected path below it,
// and Cancel and OK. Folders are read with the A functions (names in code page 1250) when
// a branch is first opened. Shown modally by ShowPicker; hidden, not destroyed, between
// showings, so the tree keeps its branches and selection.
#include <algorithm>
#include <cwctype>

#include "ui/win32/view_impl.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kPickerClass[] = L"VorlexSetupPicker";
// OK and Cancel carry the dialog IDs, so that Enter and Escape press them.
constexpr int kOkId = IDOK;
constexpr int kCancelId = IDCANCEL;
constexpr int kTreeId = 10;
constexpr int kLabelId = 11;
constexpr LPARAM kFilled = 1;  // item data: the branch's folders have been read

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t buffer[MAX_PATH + 1] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return buffer;
}

// The folder of an item: the drive's root ("C:\") and the names below it.
std::wstring ItemPath(HWND tree, HTREEITEM item) {
  std::vector<std::wstring> parts;
  for (HTREEITEM at = item; at != nullptr; at = TreeView_GetParent(tree, at)) {
    parts.push_back(ItemText(tree, at));
  }
  std::wstring path;
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    path += *part;
  }
  return path;
}

HTREEITEM AddItem(HWND tree, HTREEITEM parent, const std::wstring& text) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  insert.item.cChildren = 1;
  insert.item.lParam = 0;
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

// Reads the folders below an item once; an item without any loses its expand button.
void FillBranch(HWND tree, HTREEITEM item) {
  TVITEMW tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  if (tv.lParam == kFilled) return;

  std::string pattern = Narrow(ItemPath(tree, item));
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  std::vector<std::wstring> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..") {
        names.push_back(Wide(name));
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return Lower(a) < Lower(b); });
  for (const std::wstring& name : names) AddItem(tree, item, name);

  tv.mask = TVIF_PARAM | TVIF_CHILDREN;
  tv.lParam = kFilled;
  tv.cChildren = names.empty() ? 0 : 1;
  SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

HTREEITEM ChildNamed(HWND tree, HTREEITEM parent, const std::wstring& name) {
  const std::wstring wanted = Lower(name);
  HTREEITEM child = parent == nullptr ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
  for (; child != nullptr; child = TreeView_GetNextSibling(tree, child)) {
    std::wstring text = Lower(ItemText(tree, child));
    if (parent == nullptr && !text.empty() && text.back() == L'\\') text.pop_back();
    if (text == wanted) return child;
  }
  return nullptr;
}

LRESULT CALLBACK PickerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  Win32View::Impl* view = ImplOf(hwnd);
  if (view != nullptr && view->picker != nullptr) {
    switch (message) {
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) view->PickerCommand(LOWORD(wParam));
        return 0;
      case WM_NOTIFY:
        // No exception may cross the window procedure: it is reported like a handler's.
        try {
          return view->PickerNotify(*reinterpret_cast<const NMHDR*>(lParam));
        } catch (const std::exception& error) {
          view->form->ReportError(error);
          return 0;
        }
      case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const TBitBtn& button = item.CtlID == kOkId ? view->picker->BitBtn2 : view->picker->BitBtn1;
        DrawButton(item, button.Glyph,
                   reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
        return TRUE;
      }
      case WM_CLOSE:
        // Closed by its caption button: neither OK nor Cancel was pressed.
        if (view->picker->Result == ModalResult::kNone) view->picker->Result = ModalResult::kCancel;
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterPickerClass(HINSTANCE instance) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = PickerProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hIcon = ProgramIcon(instance, SM_CXICON);
  cls.hIconSm = ProgramIcon(instance, SM_CXSMICON);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = kPickerClass;
  RegisterClassExW(&cls);
}

void Win32View::Impl::CreatePicker() {
  TForm2& p = *picker;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  RECT outer{0, 0, p.ClientWidth, p.ClientHeight};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  pickerWnd = CreateWindowExW(exStyle, kPickerClass, Wide(p.Caption).c_str(), style, p.Left, p.Top,
                              outer.right - outer.left, outer.bottom - outer.top, main, nullptr,
                              instance, this);
  if (pickerWnd == nullptr) throw std::runtime_error("the directory picker cannot be created");

  HFONT font = FontFor(form->Font);
  auto child = [&](DWORD ex, const wchar_t* cls, DWORD style, const TControl& c, int id) {
    HWND hwnd = CreateWindowExW(
        ex, cls, L"", WS_CHILD | WS_VISIBLE | style, c.Left, c.Top, c.Width, c.Height, pickerWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
  };
  tree = child(WS_EX_CLIENTEDGE, WC_TREEVIEWW,
               WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
               p.dirtree, kTreeId);
  SendMessageW(tree, TVM_SETINDENT, static_cast<WPARAM>(p.dirtree.Indent), 0);
  pickerLabel = child(0, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, p.Label1, kLabelId);
  SetWindowPos(pickerLabel, nullptr, 0, 0, p.ClientWidth - p.Label1.Left, 16,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  pickerCancel =
      child(0, L"BUTTON", BS_PUSHBUTTON | BS_OWNERDRAW | WS_TABSTOP, p.BitBtn1, kCancelId);
  pickerOk = child(0, L"BUTTON", BS_PUSHBUTTON | BS_OWNERDRAW | WS_TABSTOP, p.BitBtn2, kOkId);
  SetWindowTextW(pickerCancel, Wide(p.BitBtn1.Caption).c_str());
  SetWindowTextW(pickerOk, Wide(p.BitBtn2.Caption).c_str());
  pickerLabelText.clear();
  treeFilled = false;
  SyncPicker();
}

void Win32View::Impl::SyncPicker() {
  if (pickerWnd == nullptr || picker == nullptr) return;
  if (pickerLabelText != picker->Label1.Caption || GetWindowTextLengthW(pickerLabel) == 0) {
    pickerLabelText = picker->Label1.Caption;
    SetWindowTextW(pickerLabel, Wide(pickerLabelText).c_str());
  }
}

void Win32View::Impl::FillTree() {
  const DWORD drives = GetLogicalDrives();
  std::vector<std::string> roots;
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (1u << letter)) == 0) continue;
    const std::string root = std::string(1, static_cast<char>('A' + letter)) + ":\\";
    const UINT type = GetDriveTypeA(root.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_FIXED || type == DRIVE_REMOTE) {
      AddItem(tree, nullptr, Wide(root));
      roots.push_back(root);
    }
  }
  // The start folder as far as its folders exist, or the first drive's root when its drive
  // is not offered; the label and what OK returns follow the selection.
  const std::string start = TForm2::FirstSelection(picker->dirtree.Directory, roots);
  if (start.size() < 2) {
    picker->dirtreeChange(std::string());  // no drive offered: nothing to select
    return;
  }
  HTREEITEM at = ChildNamed(tree, nullptr, Wide(start.substr(0, 2)));
  if (at == nullptr) return;
  std::size_t from = 2;
  while (from < start.size()) {
    const std::size_t end = std::min(start.find('\\', from), start.size());
    if (end > from) {
      FillBranch(tree, at);
      HTREEITEM next = ChildNamed(tree, at, Wide(start.substr(from, end - from)));
      if (next == nullptr) break;
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(at));
      at = next;
    }
    from = end + 1;
  }
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(at));
  SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(at));
  // Also when the item was selected already, and so sent no notification.
  picker->dirtreeChange(Narrow(ItemPath(tree, at)));
  SyncPicker();
}

void Win32View::Impl::PickerCommand(int id) {
  if (id == kCancelId) picker->BitBtn1.OnClick();
  if (id == kOkId) picker->BitBtn2.OnClick();
}

LRESULT Win32View::Impl::PickerNotify(const NMHDR& header) {
  if (header.idFrom != kTreeId) return 0;
  switch (header.code) {
    case TVN_ITEMEXPANDINGW: {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (change.action & TVE_EXPAND) FillBranch(tree, change.itemNew.hItem);
      return FALSE;
    }
    case TVN_SELCHANGEDW: {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (change.itemNew.hItem != nullptr) {
        picker->dirtreeChange(Narrow(ItemPath(tree, change.itemNew.hItem)));
        SyncPicker();
      }
      return 0;
    }
    case NM_DBLCLK:
      picker->dirtreeDblClick();
      return TRUE;
    default:
      return 0;
  }
}

ModalResult Win32View::ShowPicker(TForm2& picker) {
  Impl& v = *impl_;
  v.Sync();
  if (v.pickerWnd == nullptr) throw std::logic_error("the directory picker was not created");
  if (!v.treeFilled) {
    v.treeFilled = true;
    v.FillTree();
  }
  v.SyncPicker();
  if (v.main != nullptr) EnableWindow(v.main, FALSE);
  ShowWindow(v.pickerWnd, SW_SHOW);
  SetForegroundWindow(v.pickerWnd);
  SetFocus(v.tree);
  RedrawWindow(v.pickerWnd, nullptr, nullptr, RDW_ALLCHILDREN | RDW_INVALIDATE | RDW_ERASE);

  MSG msg;
  while (picker.Result == ModalResult::kNone) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      picker.Result = ModalResult::kCancel;
      break;
    }
    if (!IsDialogMessageW(v.pickerWnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (v.main != nullptr) EnableWindow(v.main, TRUE);
  ShowWindow(v.pickerWnd, SW_HIDE);
  if (v.main != nullptr) SetForegroundWindow(v.main);
  return picker.Result;
}

}  // namespace ui::win32
