// The Win32 view in-process, on a real (virtual) display under Wine: the main window's
// frame, placement and painting, the native controls mirroring TForm1's control objects and
// turning clicks into handler calls, every text fitting its control, the picker, and message
// boxes with their exact texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "platform/codepage.h"
#include "tests/gui/text_fit.h"
#include "ui/form2.h"
#include "ui/win32/win32_view.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include "ui/win32/gdi.h"
#undef MessageBox

namespace {

std::wstring W(const char* utf8) {
  const std::u16string text = plat::Cp1250ToUtf16(plat::Utf8ToCp1250(utf8));
  return std::wstring(text.begin(), text.end());
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

BOOL CALLBACK AddWindow(HWND hwnd, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, AddWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The first descendant of a class (and a text, when given) that is visible.
HWND Find(HWND top, const wchar_t* cls, const std::wstring& text = std::wstring(),
          bool visibleOnly = true) {
  for (HWND hwnd : Descendants(top)) {
    if (lstrcmpiW(ClassOf(hwnd).c_str(), cls) != 0) continue;
    if (visibleOnly && !IsWindowVisible(hwnd)) continue;
    if (text.empty() || TextOf(hwnd) == text) return hwnd;
  }
  return nullptr;
}

// Where a window stands in its parent's client area: left, top, width, height.
using Place = std::array<long, 4>;
Place PlaceIn(HWND parent, HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

HWND Page(HWND main, const char* name) { return Find(main, L"VorlexSetupPage", W(name), false); }

HFONT FontOf(HWND control) {
  return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

// The extent of `text` in the font of `control`.
SIZE Extent(HWND control, const std::wstring& text) {
  return ui::win32::TextExtent(control, FontOf(control), text);
}

// The roots of the drives the picker's tree offers: unknown type, fixed disks, network drives.
std::vector<std::string> OfferedRoots() {
  std::vector<std::string> roots;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    const UINT type = GetDriveTypeA(root.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_FIXED || type == DRIVE_REMOTE) roots.push_back(root);
  }
  return roots;
}

std::wstring Trimmed(std::wstring line) {
  while (!line.empty() && line.back() == L' ') line.pop_back();
  return line;
}

std::string Utf8(const std::wstring& text) {
  const std::u16string wide(text.begin(), text.end());
  return plat::Cp1250ToUtf8(plat::Utf16ToCp1250(wide));
}

class Win32ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "view_test_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    const std::string archive = folder_ + "\\vx01.zip";
    HANDLE file =
        CreateFileA(archive.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));

    form_ = std::make_unique<setup::TForm1>(view_);
    ASSERT_EQ(form_->FormCreate(), setup::StartOutcome::kRun);
    picker_ = std::make_unique<ui::TForm2>(form_->SourceFolder);
    form_->Form2 = picker_.get();
    view_.Open(*form_, *picker_);
    main_ = static_cast<HWND>(view_.MainWindow());
    ASSERT_NE(main_, nullptr);
    view_.ProcessMessages();
  }

  void TearDown() override {
    view_.Shut();
    form_->CleanUp = false;  // no self-removal batch from a test
    form_->FormDestroy();
    form_.reset();
    picker_.reset();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    DeleteFileA((folder_ + "\\vx01.zip").c_str());
    DeleteFileA((folder_ + "\\setup.ini").c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  // Posts a click as the user's mouse would and lets the view handle it.
  void Click(HWND control) {
    ASSERT_NE(control, nullptr);
    PostMessageW(control, BM_CLICK, 0, 0);
    view_.ProcessMessages();
  }

  // Every text of both windows that does not fit its control, measured in the control's font
  // with GDI's text extent: label and button captions (with the button's picture), the check
  // boxes' items beside their boxes, and the memos' lines, each on one line of the edit's
  // formatting rectangle and all of them (as the edit wraps them) within its height, unless
  // the memo scrolls, enabled and read-only. A label must stay inside its page.
  std::vector<std::string> Misfits() {
    std::vector<std::string> found;
    auto report = [&found](const std::string& name, const std::wstring& text, long need,
                           long room) {
      found.push_back(name + " \"" + Utf8(text) + "\": needs " + std::to_string(need) + ", has " +
                      std::to_string(room));
    };
    const int checkBox = GetSystemMetrics(SM_CXMENUCHECK);
    int id = ui::win32::kFirstControlId;
    for (ui::TControl* control : form_->Controls()) {
      if (control->Page < 0) continue;  // the title, painted by the window
      HWND page = Page(main_, form_->pages.Page(control->Page).Name.c_str());
      HWND hwnd = GetDlgItem(page, id++);
      if (control == &form_->Memo6 || control->Kind == ui::ControlKind::kBevel) continue;
      if (hwnd == nullptr) {
        found.push_back(control->Name + ": no window");
        continue;
      }
      RECT client;
      GetClientRect(hwnd, &client);
      switch (control->Kind) {
        case ui::ControlKind::kLabel: {
          const std::wstring text = TextOf(hwnd);
          const SIZE size = Extent(hwnd, text);
          if (size.cx > client.right) report(control->Name, text, size.cx, client.right);
          if (size.cy > client.bottom) report(control->Name, text, size.cy, client.bottom);
          const Place place = PlaceIn(page, hwnd);
          const long right = place[0] + place[2];
          if (right > form_->pages.Width) report(control->Name, text, right, 462);
          break;
        }
        case ui::ControlKind::kButton: {
          const std::wstring text = TextOf(hwnd);
          const long need = Extent(hwnd, text).cx + 16 + 4;  // the picture and its gap
          if (need > client.right - 4) report(control->Name, text, need, client.right - 4);
          break;
        }
        case ui::ControlKind::kCheckListBox:
          for (HWND box = GetWindow(hwnd, GW_CHILD); box != nullptr;
               box = GetWindow(box, GW_HWNDNEXT)) {
            RECT inner;
            GetClientRect(box, &inner);
            const std::wstring text = TextOf(box);
            const long need = Extent(box, text).cx + checkBox + 4;
            if (need > inner.right) report(control->Name, text, need, inner.right);
          }
          break;
        case ui::ControlKind::kMemo: {
          const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
          if ((style & WS_VSCROLL) != 0) {
            // It scrolls: the user must be able to reach its last line, and not edit it.
            const bool readOnly = (style & ES_READONLY) != 0;
            if (!IsWindowEnabled(hwnd)) found.push_back(control->Name + ": cannot scroll");
            if (!readOnly && !static_cast<const ui::TMemo&>(*control).ScrollBars) {
              found.push_back(control->Name + ": editable");
            }
            break;
          }
          RECT area;
          SendMessageW(hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
          const long width = area.right - area.left, height = area.bottom - area.top;
          const std::wstring text = TextOf(hwnd);
          for (std::size_t at = 0; at <= text.size();) {
            const std::size_t end = std::min(text.find(L"\r\n", at), text.size());
            const std::wstring line = Trimmed(text.substr(at, end - at));
            const long need = Extent(hwnd, line).cx;
            if (need > width) report(control->Name, line, need, width);
            at = end + 2;
          }
          // The lines as the edit control itself wraps them.
          const long need =
              static_cast<long>(SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0)) * Extent(hwnd, L"X").cy;
          if (need > height) report(control->Name, L"all lines", need, height);
          break;
        }
        default:
          break;
      }
    }
    HWND picker = static_cast<HWND>(view_.PickerWindow());
    RECT inside;
    GetClientRect(picker, &inside);
    for (HWND child : Descendants(picker)) {
      const std::wstring text = TextOf(child);
      RECT r;
      GetClientRect(child, &r);
      if (ClassOf(child) == L"Static") {
        const long need = Extent(child, text).cx;
        if (need > r.right) report("picker label", text, need, r.right);
      } else if (ClassOf(child) == L"Button") {
        const long need = Extent(child, text).cx + 16 + 4;
        if (need > r.right - 4) report("picker button", text, need, r.right - 4);
      }
    }
    return found;
  }

  ui::win32::Win32View view_{GetModuleHandleW(nullptr)};
  std::unique_ptr<setup::TForm1> form_;
  std::unique_ptr<ui::TForm2> picker_;
  HWND main_ = nullptr;
  std::string folder_;
};

// The caption carries the icon, whose system menu holds no Close: the close box is disabled.
TEST_F(Win32ViewTest, MainWindowHasADialogFrameNoCaptionButtonsAndComesUpMaximised) {
  EXPECT_EQ(TextOf(main_), L"Vorlex Plug-In Setup");
  const LONG style = GetWindowLongW(main_, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(main_, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_NE(style & WS_SYSMENU, 0);
  for (const UINT command : {SC_CLOSE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
    EXPECT_EQ(GetMenuState(GetSystemMenu(main_, FALSE), command, MF_BYCOMMAND), 0xFFFFFFFFu)
        << command;
  }
  EXPECT_NE(SendMessageW(main_, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(GetClassLongPtrW(main_, GCLP_HICONSM), 0);
  EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0);
  EXPECT_TRUE(IsZoomed(main_));
  EXPECT_EQ(form_->WindowState, ui::TWindowState::kMaximized);
}

TEST_F(Win32ViewTest, PageAreaIsCentredOnTheOuterWindowSize) {
  RECT outer;
  GetWindowRect(main_, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  EXPECT_EQ(form_->Width, width);
  EXPECT_EQ(form_->Height, height);
  HWND area = Find(main_, L"VorlexSetupPage", L"pages");
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(PlaceIn(main_, area), (Place{(width - 462) / 2, (height - 254) / 2, 462, 254}));
}

TEST_F(Win32ViewTest, ControlsStandAtTheirPlacesOnTheirPages) {
  HWND portal = Page(main_, "Portal");
  HWND memo = Find(portal, L"Edit");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(PlaceIn(portal, memo), (Place{16, 16, 241, 169}));
  // The welcome text wraps to one line more than its box holds in MS Sans Serif: the memo
  // scrolls, read-only; a memo whose text fits is disabled, as designed.
  EXPECT_TRUE(IsWindowEnabled(memo));
  EXPECT_NE(GetWindowLongW(memo, GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_NE(GetWindowLongW(memo, GWL_STYLE) & ES_READONLY, 0);
  HWND fits = Find(Page(main_, "DirPage"), L"Edit", L"", false);
  ASSERT_NE(fits, nullptr);
  EXPECT_FALSE(IsWindowEnabled(fits));
  EXPECT_EQ(GetWindowLongW(fits, GWL_STYLE) & WS_VSCROLL, 0);
  HWND next = Find(portal, L"Button", W("Pokračovat"));
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(PlaceIn(portal, next), (Place{136, 200, 100, 29}));

  HWND combo = Find(Page(main_, "DirPage"), L"ComboBox", L"", false);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(GetWindowLongW(combo, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
}

TEST_F(Win32ViewTest, OnlyTheCurrentPageIsShown) {
  EXPECT_TRUE(IsWindowVisible(Page(main_, "Portal")));
  for (const char* hidden :
       {"DirPage", "IconPage", "TabSheet3", "Installpage", "TabSheet1", "TabSheet2"}) {
    EXPECT_FALSE(IsWindowVisible(Page(main_, hidden))) << hidden;
  }
  form_->pages.SetActivePageIndex(setup::kProgressPage);
  view_.ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(Page(main_, "Portal")));
  EXPECT_TRUE(IsWindowVisible(Page(main_, "TabSheet1")));
}

TEST_F(Win32ViewTest, CzechTextsReachTheScreenThroughTheWideFunctions) {
  HWND label = Find(Page(main_, "DirPage"), L"Static", W("Umístění programu"), false);
  EXPECT_NE(label, nullptr);
  EXPECT_EQ(TextOf(label), L"Um\u00EDst\u011Bn\u00ED programu");
  HWND memo = Find(Page(main_, "Portal"), L"Edit");
  ASSERT_NE(memo, nullptr);
  const std::wstring first = W("Vítejte v instalačním průvodci programu Vorlex.\r\n\r\n");
  EXPECT_EQ(TextOf(memo).substr(0, first.size()), first);
}

// The fonts are asked for with the Central European character set, so that the Czech
// letters have glyphs also on a system whose ANSI code page is not 1250; the test prefix has
// MS Sans Serif in that character set, as a Czech Windows has.
TEST_F(Win32ViewTest, CzechLettersHaveGlyphsInTheFontsOfTheControls) {
  const std::wstring letters = W("ěščřžýáíéůúťďňĚŠČŘŽÝÁÍÉŮÚŤĎŇ");
  HWND label = Find(Page(main_, "DirPage"), L"Static", W("Umístění programu"), false);
  HWND button = Find(Page(main_, "Portal"), L"Button", W("Pokračovat"), false);
  for (HWND control : {label, button}) {
    ASSERT_NE(control, nullptr);
    const ui::win32::WindowDc dc(control);
    const ui::win32::Selected font(dc, FontOf(control));
    // The face asked for is the one drawn with, in every code page.
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    EXPECT_EQ(std::wstring(face), L"MS Sans Serif") << "ANSI code page " << GetACP();
    std::vector<WORD> glyphs(letters.size());
    const DWORD got = GetGlyphIndicesW(dc, letters.c_str(), static_cast<int>(letters.size()),
                                       glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    ASSERT_EQ(got, letters.size());
    for (std::size_t i = 0; i < letters.size(); ++i) {
      EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph for U+" << std::hex << static_cast<int>(letters[i])
                                   << " (ANSI code page " << std::dec << GetACP() << ")";
    }
  }
}

TEST_F(Win32ViewTest, ButtonClicksRunTheirHandlers) {
  Click(Find(main_, L"Button", W("Pokračovat")));
  EXPECT_EQ(form_->pages.ActivePageIndex(), setup::kDirPage);
  EXPECT_TRUE(form_->CleanUp);
  EXPECT_TRUE(IsWindowVisible(Page(main_, "DirPage")));
  Click(Find(main_, L"Button", W("Zpět")));
  EXPECT_EQ(form_->pages.ActivePageIndex(), setup::kPortal);
}

TEST_F(Win32ViewTest, DisabledButtonsShowItAndDoNotClick) {
  HWND next = Find(main_, L"Button", W("Pokračovat"));
  ASSERT_NE(next, nullptr);
  form_->BitBtn5.Enabled = false;
  view_.ProcessMessages();
  EXPECT_FALSE(IsWindowEnabled(next));
  Click(next);
  EXPECT_EQ(form_->pages.ActivePageIndex(), setup::kPortal);
  EXPECT_FALSE(form_->CleanUp);
  form_->BitBtn5.Enabled = true;
  view_.ProcessMessages();
  EXPECT_TRUE(IsWindowEnabled(next));
}

TEST_F(Win32ViewTest, ComboSelectionRunsDirectoryChange) {
  form_->pages.SetActivePageIndex(setup::kDirPage);
  view_.ProcessMessages();
  HWND combo = Find(main_, L"ComboBox");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(form_->Directory.ItemIndex, 1);
  EXPECT_EQ(form_->RegInfo.RHomeDir, "C:\\Vorlex");
}

TEST_F(Win32ViewTest, CheckBoxesTickTheIconPlacesAndShowTheirState) {
  form_->pages.SetActivePageIndex(setup::kIconPage);
  view_.ProcessMessages();
  HWND desktop = Find(main_, L"Button", W("Na plochu"));
  HWND start = Find(main_, L"Button", W("Do hlavní nabídky START"));
  ASSERT_NE(desktop, nullptr);
  ASSERT_NE(start, nullptr);
  Click(start);
  EXPECT_FALSE(form_->ProgIcon.Checked(0));
  EXPECT_TRUE(form_->ProgIcon.Checked(1));
  EXPECT_EQ(SendMessageW(desktop, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(start, BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(start);
  EXPECT_FALSE(form_->ProgIcon.Checked(1));
  EXPECT_EQ(SendMessageW(start, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Win32ViewTest, ListAndProgressBarsMirrorTheirControls) {
  form_->pages.SetActivePageIndex(setup::kProgressPage);
  form_->LB1.Items.Add("Create dir:");
  form_->LB1.Items.Add(plat::Utf8ToCp1250(" - C:\\Vorlex\\Manuál"));
  form_->ALProgressBar2.SetPosition(40);
  view_.ProcessMessages();
  HWND list = Find(main_, L"ListBox");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  wchar_t line[64] = {};
  SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::wstring(line), W(" - C:\\Vorlex\\Manuál"));

  std::vector<HWND> bars;
  for (HWND hwnd : Descendants(main_)) {
    if (ClassOf(hwnd) == PROGRESS_CLASSW) bars.push_back(hwnd);
  }
  ASSERT_EQ(bars.size(), 2u);
  HWND overall = bars[0];  // ALProgressBar2 is made first
  EXPECT_EQ(SendMessageW(overall, PBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(TextOf(overall), L"40%");
  EXPECT_EQ(TextOf(bars[1]), L"0%");
  form_->ALProgressBar2.SetPosition(140);  // outside the range: kept at 40
  view_.ProcessMessages();
  EXPECT_EQ(SendMessageW(overall, PBM_GETPOS, 0, 0), 40);

  // A list emptied and filled again shows only its new lines.
  form_->LB1.Items.Clear();
  form_->LB1.Items.Add("Prepare copy");
  view_.ProcessMessages();
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
  EXPECT_EQ(std::wstring(line), L"Prepare copy");
}

// Every text on every page, as built in and as the install run and the picker change them.
TEST_F(Win32ViewTest, EveryTextFitsItsControl) {
  ExpectEveryTextFits(*form_, *picker_, [this] { return Misfits(); });
}

// The placement keys hold what the window system reports: the normal rectangle, not the
// maximised one.
TEST_F(Win32ViewTest, PlacementIsSavedAsTheWindowSystemReportsIt) {
  WINDOWPLACEMENT shown{};
  shown.length = sizeof shown;
  ASSERT_TRUE(GetWindowPlacement(main_, &shown));
  form_->Close();
  const std::string ini = folder_ + "\\setup.ini";
  auto read = [&ini](const char* key) {
    char value[128] = {};
    GetPrivateProfileStringA("ALL", key, "", value, sizeof value, ini.c_str());
    return std::string(value);
  };
  auto four = [](long a, long b, long c, long d) {
    return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
           std::to_string(d);
  };
  EXPECT_EQ(read("Flags"), std::to_string(shown.flags));
  EXPECT_EQ(read("ShowCmd"), "3");
  EXPECT_EQ(read("MinMaxPos"), four(shown.ptMinPosition.x, shown.ptMinPosition.y,
                                    shown.ptMaxPosition.x, shown.ptMaxPosition.y));
  EXPECT_EQ(read("NormPos"), four(shown.rcNormalPosition.left, shown.rcNormalPosition.top,
                                  shown.rcNormalPosition.right, shown.rcNormalPosition.bottom));
  const ui::ScreenSize screen = view_.VirtualScreen();
  EXPECT_EQ(read("NormPos"), four(0, 0, screen.width, screen.height));
}

TEST_F(Win32ViewTest, LabelsFollowTheirCaptionsAndGrowWithThem) {
  form_->pages.SetActivePageIndex(setup::kProgressPage);
  view_.ProcessMessages();
  HWND mess = Find(main_, L"Static", L"Mess");
  ASSERT_NE(mess, nullptr);
  RECT before;
  GetClientRect(mess, &before);
  form_->Mess.Caption = "Creating directory START/Programy";
  view_.ProcessMessages();
  EXPECT_EQ(TextOf(mess), L"Creating directory START/Programy");
  RECT after;
  GetClientRect(mess, &after);
  EXPECT_GT(after.right, before.right);
}

TEST_F(Win32ViewTest, BackgroundIsTheBandGradientUnderTheLimeTitle) {
  RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client;
  GetClientRect(main_, &client);
  HDC dc = GetDC(main_);
  const int band = (client.bottom + 255) / 256;
  const int last = (client.bottom - 1) / band;
  EXPECT_EQ(GetPixel(dc, client.right - 5, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, client.right - 5, band), RGB(0, 0, 254));
  EXPECT_EQ(GetPixel(dc, client.right - 5, client.bottom - 1), RGB(0, 0, 255 - last));
  int lime = 0, white = 0;
  for (int y = 16; y < 70; ++y) {
    for (int x = 11; x < 250; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      lime += c == RGB(0, 255, 0);
      white += c == RGB(255, 255, 255);
    }
  }
  ReleaseDC(main_, dc);
  EXPECT_GT(lime, 300);
  EXPECT_GT(white, 30);
}

TEST_F(Win32ViewTest, PickerIsAnAlwaysOnTopToolWindowAtItsPlace) {
  HWND picker = static_cast<HWND>(view_.PickerWindow());
  ASSERT_NE(picker, nullptr);
  EXPECT_FALSE(IsWindowVisible(picker));
  EXPECT_EQ(TextOf(picker), L"Directory");
  const LONG exStyle = GetWindowLongW(picker, GWL_EXSTYLE);
  EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0);
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
  RECT r;
  GetWindowRect(picker, &r);
  EXPECT_EQ(r.left, 471);
  EXPECT_EQ(r.top, 117);
  GetClientRect(picker, &r);
  EXPECT_EQ(r.right, 258);
  EXPECT_EQ(r.bottom, 232);
  EXPECT_EQ(TextOf(Find(picker, L"Static", L"", false)), L"C:");
}

TEST_F(Win32ViewTest, PickerTreeOffersFixedDrivesAndStartsOnTheSourceFolder) {
  HWND picker = static_cast<HWND>(view_.PickerWindow());
  PostMessageW(Find(picker, L"Button", L"OK", false), BM_CLICK, 0, 0);
  EXPECT_EQ(view_.ShowPicker(*picker_), ui::ModalResult::kOK);
  EXPECT_FALSE(IsWindowVisible(picker));
  EXPECT_EQ(picker_->dirtree.Directory, form_->SourceFolder);
  EXPECT_EQ(TextOf(Find(picker, L"Static", L"", false)), W(form_->SourceFolder.c_str()));

  HWND tree = Find(picker, WC_TREEVIEWW, L"", false);
  ASSERT_NE(tree, nullptr);
  std::string roots;
  for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;
       item = TreeView_GetNextSibling(tree, item)) {
    wchar_t text[16] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 16;
    TreeView_GetItem(tree, &tv);
    roots += static_cast<char>(text[0]);
  }
  std::string offered;
  for (const std::string& root : OfferedRoots()) offered += root[0];
  EXPECT_EQ(roots, offered);
}

// A start folder on a drive the tree does not offer (a CD-ROM): the first offered drive's
// root is selected and shown, and OK returns it.
TEST_F(Win32ViewTest, PickerShowsWhatOkReturnsWhenTheStartDriveIsNotOffered) {
  const std::vector<std::string> offered = OfferedRoots();
  ASSERT_FALSE(offered.empty());
  const std::string first = offered.front();
  picker_->dirtree.Directory = "Q:\\Setup";
  HWND picker = static_cast<HWND>(view_.PickerWindow());
  PostMessageW(Find(picker, L"Button", L"OK", false), BM_CLICK, 0, 0);
  EXPECT_EQ(view_.ShowPicker(*picker_), ui::ModalResult::kOK);
  EXPECT_EQ(picker_->dirtree.Directory, first);
  EXPECT_EQ(picker_->Label1.Caption, first);
  EXPECT_EQ(TextOf(Find(picker, L"Static", L"", false)), W(first.c_str()));
  HWND tree = Find(picker, WC_TREEVIEWW, L"", false);
  EXPECT_EQ(TreeView_GetSelection(tree), TreeView_GetRoot(tree));
}

TEST_F(Win32ViewTest, PickerResultsReachTheDirectoryBox) {
  form_->pages.SetActivePageIndex(setup::kDirPage);
  view_.ProcessMessages();
  HWND picker = static_cast<HWND>(view_.PickerWindow());
  HWND tree = Find(picker, WC_TREEVIEWW, L"", false);
  // A double-click on the first row (the first drive's root) takes that drive.
  PostMessageW(tree, WM_KEYDOWN, VK_HOME, 0);
  PostMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, 8));
  form_->ChooseDirectory(3);
  ASSERT_EQ(form_->Directory.ItemIndex, 3);
  const std::string picked = form_->Directory.Items[3];
  EXPECT_EQ(picked.substr(1), ":\\Vorlex");
  HWND combo = Find(main_, L"ComboBox");
  wchar_t text[64] = {};
  SendMessageW(combo, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), W(picked.c_str()));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);

  // Closed by its caption button: entry 0 again.
  PostMessageW(picker, WM_CLOSE, 0, 0);
  form_->ChooseDirectory(3);
  EXPECT_EQ(form_->Directory.ItemIndex, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(Win32ViewTest, PickerTakesEnterAsOkAndEscapeAsCancel) {
  HWND picker = static_cast<HWND>(view_.PickerWindow());
  HWND tree = Find(picker, WC_TREEVIEWW, L"", false);
  PostMessageW(tree, WM_KEYDOWN, VK_ESCAPE, 0);
  picker_->Result = ui::ModalResult::kNone;
  EXPECT_EQ(view_.ShowPicker(*picker_), ui::ModalResult::kCancel);
  PostMessageW(tree, WM_KEYDOWN, VK_RETURN, 0);
  picker_->Result = ui::ModalResult::kNone;
  EXPECT_EQ(view_.ShowPicker(*picker_), ui::ModalResult::kOK);
}

// Answers the next message box with `caption` from another thread, recording its text and
// its buttons. Join before reading them.
class BoxAnswerer {
 public:
  BoxAnswerer(std::wstring caption, int id) : caption_(std::move(caption)), id_(id) {
    thread_ = std::thread([this] { Answer(); });
  }
  ~BoxAnswerer() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::wstring text;
  bool hadButton = false;
  bool hadOk = false;

 private:
  void Answer() {
    for (int tries = 0; tries < 6000; ++tries) {
      HWND box = FindWindowW(L"#32770", caption_.c_str());
      if (box != nullptr && IsWindowVisible(box)) {
        text = TextOf(GetDlgItem(box, 0xFFFF));
        hadOk = GetDlgItem(box, IDOK) != nullptr;
        HWND button = GetDlgItem(box, id_);
        hadButton = button != nullptr;
        if (button != nullptr) {
          PostMessageW(button, BM_CLICK, 0, 0);
        } else {
          PostMessageW(box, WM_CLOSE, 0, 0);
        }
        return;
      }
      Sleep(10);
    }
  }
  std::wstring caption_;
  int id_;
  std::thread thread_;
};

TEST_F(Win32ViewTest, MessageBoxesShowTheExactTextAndReturnTheAnswer) {
  BoxAnswerer answerer(L"Vorlex Setup", IDYES);
  const int answer = view_.MessageBox(plat::Utf8ToCp1250("Všechny soubory\rOpravdu?"),
                                      "Vorlex Setup", MB_YESNO | MB_ICONEXCLAMATION);
  answerer.Join();
  EXPECT_EQ(answer, IDYES);
  EXPECT_EQ(answerer.text, W("Všechny soubory\rOpravdu?"));
  EXPECT_TRUE(answerer.hadButton);
  EXPECT_FALSE(answerer.hadOk);
}

TEST_F(Win32ViewTest, MessageDialogsCarryTheCaptionOfTheirKindAndOneOk) {
  for (const auto& [kind, caption] : {std::pair{ui::DialogKind::kInformation, L"Information"},
                                      std::pair{ui::DialogKind::kError, L"Error"}}) {
    BoxAnswerer answerer(caption, IDOK);
    view_.MessageDialog(plat::Utf8ToCp1250("Instalace byla zrušena"), kind);
    answerer.Join();
    EXPECT_EQ(answerer.text, W("Instalace byla zrušena")) << caption;
    EXPECT_TRUE(answerer.hadButton) << caption;
  }
}

}  // namespace
