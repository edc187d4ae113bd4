// guidriver: drives the setup's windows from another process, the way a user would, for the
// GUI test under Wine. One command per run:
//
//   guidriver wait-main                 the main window is shown; prints its client rectangle
//                                       in screen coordinates: "left top width height"
//   guidriver page NAME                 waits until the page NAME is the one shown
//   guidriver click TEXT                posts BM_CLICK to the visible button TEXT
//   guidriver check TEXT                ticks the check box TEXT, waits until it reads ticked
//   guidriver select INDEX              selects combo-box entry INDEX as the user would
//   guidriver combo                     prints the selected index, then the entries
//   guidriver combo-selected INDEX [TEXT]  waits until entry INDEX is the selected one (and
//                                       reads TEXT)
//   guidriver list                      prints the visible list box's lines
//   guidriver controls                  prints every visible control of the main window:
//                                       class, text (line breaks as "\n"), and for check
//                                       boxes the state, for progress bars the position
//   guidriver box CAPTION [ID]          waits for a message box, prints its text and, when ID
//                                       is given, presses the button with that ID
//   guidriver picker                    waits for the directory picker; prints its label
//   guidriver picker-label TEXT         waits until the picker's label reads TEXT
//   guidriver tree-home                 presses Home in the picker's tree
//   guidriver tree-dblclick             double-clicks the tree's first row
//   guidriver picker-gone               waits until the picker is hidden
//   guidriver gone                      waits until the main window no longer exists
//   guidriver acp                       prints the ANSI code page
//   guidriver no-window-until FILE      until FILE exists, fails as soon as any visible
//                                       top-level window appears (a run without a window)
//
// Texts in and out are UTF-8. Every wait polls and gives up after 60 seconds with exit code
// 1 and a message on the standard error stream. Lists are read with the W messages and
// converted here: across processes Wine returns only the first character of an ANSI list
// text.
#include <windows.h>
// <windows.h> first: the headers below rely on it.
#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kMainClass[] = L"VorlexSetupMain";
constexpr wchar_t kPageClass[] = L"VorlexSetupPage";
constexpr wchar_t kPickerClass[] = L"VorlexSetupPicker";
constexpr wchar_t kMainCaption[] = L"Vorlex Plug-In Setup";
constexpr auto kTimeout = std::chrono::seconds(60);
constexpr UINT kSendTimeoutMs = 5000;

struct Failure {
  std::string message;
};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

void Print(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &result)) {
    throw Failure{"the window does not answer"};
  }
  return static_cast<LRESULT>(result);
}

std::wstring Text(HWND hwnd) {
  const auto length = Send(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got = Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

bool ClassIs(HWND hwnd, const wchar_t* cls) { return lstrcmpiW(ClassOf(hwnd).c_str(), cls) == 0; }

// Polls `found` until it gives a window (or true) or the time is up.
template <class T>
T WaitFor(const std::string& what, const std::function<T()>& found) {
  const auto end = std::chrono::steady_clock::now() + kTimeout;
  for (;;) {
    if (T result = found()) return result;
    if (std::chrono::steady_clock::now() > end) throw Failure{"timed out waiting for " + what};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

struct ClassSearch {
  const wchar_t* cls;
  std::vector<HWND>* found;
};

BOOL CALLBACK AddIfClass(HWND hwnd, LPARAM data) {
  auto& s = *reinterpret_cast<ClassSearch*>(data);
  if (ClassIs(hwnd, s.cls)) s.found->push_back(hwnd);
  return TRUE;
}

// Stops at the first visible top-level window and hands it out through `found`.
BOOL CALLBACK FirstVisible(HWND hwnd, LPARAM found) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

BOOL CALLBACK AddWindow(HWND hwnd, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> TopWindows(const wchar_t* cls) {
  std::vector<HWND> found;
  ClassSearch search{cls, &found};
  EnumWindows(AddIfClass, reinterpret_cast<LPARAM>(&search));
  return found;
}

HWND MainWindow() {
  for (HWND hwnd : TopWindows(kMainClass)) {
    if (IsWindowVisible(hwnd) && Text(hwnd) == kMainCaption) return hwnd;
  }
  return nullptr;
}

HWND Picker() {
  for (HWND hwnd : TopWindows(kPickerClass)) {
    if (IsWindowVisible(hwnd)) return hwnd;
  }
  return nullptr;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, AddWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Visible controls of a class in the main window and the picker, with a text if given.
HWND VisibleControl(const wchar_t* cls, const std::wstring* text = nullptr) {
  std::vector<HWND> tops;
  if (HWND main = MainWindow()) tops.push_back(main);
  if (HWND picker = Picker()) tops.push_back(picker);
  for (HWND top : tops) {
    for (HWND hwnd : Descendants(top)) {
      if (!ClassIs(hwnd, cls) || !IsWindowVisible(hwnd)) continue;
      if (text == nullptr || Text(hwnd) == *text) return hwnd;
    }
  }
  return nullptr;
}

HWND MessageBoxWindow(const std::wstring& caption) {
  for (HWND hwnd : TopWindows(L"#32770")) {
    if (IsWindowVisible(hwnd) && Text(hwnd) == caption) return hwnd;
  }
  return nullptr;
}

std::string OneLine(const std::wstring& text) {
  std::string out;
  for (char c : Utf8(text)) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring ListText(HWND list, UINT lengthMessage, UINT textMessage, WPARAM index) {
  const auto length = Send(list, lengthMessage, index, 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got = Send(list, textMessage, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return text;
}

HWND PickerTree() {
  HWND picker = WaitFor<HWND>("the directory picker", Picker);
  for (HWND hwnd : Descendants(picker)) {
    if (ClassIs(hwnd, WC_TREEVIEWW)) return hwnd;
  }
  throw Failure{"the picker has no tree"};
}

HWND PickerLabel() {
  HWND picker = WaitFor<HWND>("the directory picker", Picker);
  for (HWND hwnd : Descendants(picker)) {
    if (ClassIs(hwnd, L"Static")) return hwnd;
  }
  throw Failure{"the picker has no label"};
}

int Run(const std::vector<std::wstring>& args) {
  if (args.empty()) throw Failure{"no command"};
  const std::wstring& command = args[0];
  auto arg = [&args](std::size_t i) -> const std::wstring& {
    if (i >= args.size()) throw Failure{"missing argument"};
    return args[i];
  };

  if (command == L"wait-main") {
    HWND main = WaitFor<HWND>("the main window", MainWindow);
    RECT client;
    GetClientRect(main, &client);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    Print(std::to_string(origin.x) + " " + std::to_string(origin.y) + " " +
          std::to_string(client.right) + " " + std::to_string(client.bottom));
  } else if (command == L"page") {
    const std::wstring& name = arg(1);
    WaitFor<HWND>("page " + Utf8(name), [&name] { return VisibleControl(kPageClass, &name); });
  } else if (command == L"click") {
    const std::wstring& text = arg(1);
    HWND button = WaitFor<HWND>("button " + Utf8(text), [&text] {
      HWND b = VisibleControl(WC_BUTTONW, &text);
      return b != nullptr && IsWindowEnabled(b) ? b : nullptr;
    });
    PostMessageW(button, BM_CLICK, 0, 0);
  } else if (command == L"check") {
    const std::wstring& text = arg(1);
    HWND box = WaitFor<HWND>("check box " + Utf8(text),
                             [&text] { return VisibleControl(WC_BUTTONW, &text); });
    if (Send(box, BM_GETCHECK, 0, 0) != BST_CHECKED) PostMessageW(box, BM_CLICK, 0, 0);
    WaitFor<bool>("check box " + Utf8(text) + " ticked",
                  [box] { return Send(box, BM_GETCHECK, 0, 0) == BST_CHECKED; });
  } else if (command == L"select") {
    const int index = std::stoi(arg(1));
    HWND combo = WaitFor<HWND>("the combo box", [] { return VisibleControl(WC_COMBOBOXW); });
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  } else if (command == L"combo") {
    HWND combo = WaitFor<HWND>("the combo box", [] { return VisibleControl(WC_COMBOBOXW); });
    Print(std::to_string(Send(combo, CB_GETCURSEL, 0, 0)));
    const auto count = Send(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      Print(Utf8(ListText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(i))));
    }
  } else if (command == L"combo-selected") {
    const int index = std::stoi(arg(1));
    HWND combo = WaitFor<HWND>("the combo box", [] { return VisibleControl(WC_COMBOBOXW); });
    const std::wstring* text = args.size() > 2 ? &args[2] : nullptr;
    WaitFor<bool>("combo-box entry " + Utf8(arg(1)), [combo, index, text] {
      return Send(combo, CB_GETCURSEL, 0, 0) == index &&
             (text == nullptr ||
              ListText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(index)) == *text);
    });
  } else if (command == L"list") {
    HWND list = WaitFor<HWND>("the list box", [] { return VisibleControl(WC_LISTBOXW); });
    const auto count = Send(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      Print(Utf8(ListText(list, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(i))));
    }
  } else if (command == L"controls") {
    HWND main = WaitFor<HWND>("the main window", MainWindow);
    for (HWND hwnd : Descendants(main)) {
      if (!IsWindowVisible(hwnd)) continue;
      const std::wstring cls = ClassOf(hwnd);
      if (cls == kPageClass) continue;
      std::string line = Utf8(cls) + "\t" + OneLine(Text(hwnd));
      if (ClassIs(hwnd, PROGRESS_CLASSW)) {
        line += "\t" + std::to_string(Send(hwnd, PBM_GETPOS, 0, 0));
      } else if (ClassIs(hwnd, WC_BUTTONW) &&
                 (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX) {
        line += Send(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? "\tticked" : "\tunticked";
      }
      Print(line);
    }
  } else if (command == L"box") {
    const std::wstring& caption = arg(1);
    HWND box = WaitFor<HWND>("message box \"" + Utf8(caption) + "\"",
                             [&caption] { return MessageBoxWindow(caption); });
    HWND text = GetDlgItem(box, 0xFFFF);
    Print(text != nullptr ? OneLine(Text(text)) : std::string());
    if (args.size() > 2) {
      HWND button = GetDlgItem(box, std::stoi(args[2]));
      if (button == nullptr) throw Failure{"the message box has no button " + Utf8(args[2])};
      PostMessageW(button, BM_CLICK, 0, 0);
    }
  } else if (command == L"picker") {
    Print(Utf8(Text(PickerLabel())));
  } else if (command == L"picker-label") {
    const std::wstring& text = arg(1);
    HWND label = PickerLabel();
    WaitFor<bool>("picker label " + Utf8(text), [&] { return Text(label) == text; });
  } else if (command == L"tree-home") {
    HWND tree = PickerTree();
    PostMessageW(tree, WM_KEYDOWN, VK_HOME, 0);
    PostMessageW(tree, WM_KEYUP, VK_HOME, 0);
  } else if (command == L"tree-dblclick") {
    HWND tree = PickerTree();
    // The first row's label: right of the indent of a root item with buttons and lines.
    const LPARAM point = MAKELPARAM(30, 8);
    PostMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageW(tree, WM_LBUTTONUP, 0, point);
  } else if (command == L"picker-gone") {
    WaitFor<bool>("the picker to close", [] { return Picker() == nullptr; });
  } else if (command == L"gone") {
    WaitFor<bool>("the main window to go", [] { return TopWindows(kMainClass).empty(); });
  } else if (command == L"acp") {
    Print(std::to_string(GetACP()));
  } else if (command == L"no-window-until") {
    const std::wstring& file = arg(1);
    WaitFor<bool>("the file " + Utf8(file), [&file] {
      HWND shown = nullptr;
      EnumWindows(FirstVisible, reinterpret_cast<LPARAM>(&shown));
      if (shown != nullptr) {
        throw Failure{"a window was shown: " + Utf8(ClassOf(shown)) + " \"" + Utf8(Text(shown)) +
                      "\""};
      }
      return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
  } else {
    throw Failure{"unknown command " + Utf8(command)};
  }
  return 0;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  try {
    return Run(args);
  } catch (const Failure& failure) {
    const std::string text = "guidriver: " + failure.message + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
    return 1;
  } catch (const std::exception& error) {
    const std::string text = std::string("guidriver: ") + error.what() + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
    return 1;
  }
}
