// TForm1: the window's controls with their built-in texts, start-up, first show, background,
// resize, close and destruction, and the wizard's handlers.
#include "app/form1.h"

#include <stdexcept>
#include <utility>

#include "app/form_bindings.h"
#include "install/paths.h"
#include "platform/files.h"
#include "texts/error.h"
#include "uninstall/remove_self.h"

namespace setup {

namespace {

constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 29;
constexpr int kButtonTop = 200;
constexpr int kBackLeft = 36;
constexpr int kNextLeft = 136;
constexpr int kCancelLeft = 316;

ui::TBitBtn WizardButton(const char* name, int page, int left, const char* caption, int tag,
                         const char* hint, ui::TGlyph glyph) {
  ui::TBitBtn button(name, page, left, kButtonTop, kButtonWidth, kButtonHeight, Cp1250(caption),
                     tag);
  button.Hint = Cp1250(hint);
  button.Glyph = glyph;
  return button;
}

ui::TBitBtn Next(const char* name, int page, int tag) {
  return WizardButton(name, page, kNextLeft, kNextCaption, tag, kNextHint, ui::TGlyph::kNext);
}
ui::TBitBtn Back(const char* name, int page, int tag) {
  return WizardButton(name, page, kBackLeft, kBackCaption, tag, kBackHint, ui::TGlyph::kBack);
}
ui::TBitBtn Cancel(const char* name, int page) {
  return WizardButton(name, page, kCancelLeft, kCancelCaption, 0, kCancelHint, ui::TGlyph::kCancel);
}

ui::TLabel TitleLabel(const char* name, int left, int top, ui::TColor color) {
  ui::TLabel label(name, -1, left, top, kTitleCaption);
  label.Font.Name = "Arial";
  label.Font.Height = 37;
  label.Font.Bold = true;
  label.Font.CentralEuropean = true;
  label.Font.Color = color;
  label.Transparent = true;
  return label;
}

ui::TLabel UninstallHeading(const char* name, int top, const char* caption) {
  ui::TLabel label(name, kUninstallPage, 16, top, Cp1250(caption));
  label.Width = 225;
  label.Height = 17;
  label.Alignment = ui::TAlignment::kCenter;
  label.Font.Bold = true;
  label.Font.Color = ui::clMaroon;
  return label;
}

ui::TMemo Explanation(const char* name, int page, int left, int top, int width, int height,
                      std::span<const char* const> lines) {
  ui::TMemo memo(name, page, left, top, width, height);
  memo.Lines.Assign(Cp1250Lines(lines));
  memo.ReadOnly = true;
  memo.Enabled = false;
  return memo;
}

// FileExists: a file, not a folder, by that name.
bool FileExists(const std::string& path) {
  const auto attributes = plat::FileAttributes(path);
  return attributes.ok() && (attributes.value() & plat::kAttrDirectory) == 0;
}

}  // namespace

template <class Handler>
void TForm1::Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

TForm1::TForm1(ui::UiService& ui)
    : Caption(kWindowCaption),
      Label4(TitleLabel("Label4", 16, 20, ui::clBlack)),
      Label5(TitleLabel("Label5", 11, 16, ui::clWhite)),
      Label7(TitleLabel("Label7", 13, 18, ui::clLime)),
      pages(36, 56, 462, 254,
            {{"Portal", kPortal},
             {"DirPage", kDirPage},
             {"IconPage", kIconPage},
             {"TabSheet3", kMessagePage},
             {"Installpage", kInstallPage},
             {"TabSheet1", kProgressPage},
             {"TabSheet2", kUninstallPage}}),
      Bevel2("Bevel2", kPortal, 8, 8, 257, 185),
      Memo2(Explanation("Memo2", kPortal, 16, 16, 241, 169, kWelcomeLines)),
      BitBtn5(Next("BitBtn5", kPortal, kDirPage)),
      Storno(Cancel("Storno", kPortal)),
      Bevel1("Bevel1", kDirPage, 4, 24, 205, 157),
      Image3("Image3", kDirPage, 8, 28, 34, 29, ui::TPicture::kFolder),
      Memo3(Explanation("Memo3", kDirPage, 8, 60, 197, 117, kFolderLines)),
      Label1("Label1", kDirPage, 224, 65, Cp1250(kProgramPlaceCaption)),
      Directory("Directory", kDirPage, 224, 84, 181),
      BitBtn1(Back("BitBtn1", kDirPage, kPortal)),
      BitBtn2(Next("BitBtn2", kDirPage, kIconPage)),
      BitBtn3(Cancel("BitBtn3", kDirPage)),
      Bevel4("Bevel4", kIconPage, 4, 24, 205, 157),
      Image1("Image1", kIconPage, 8, 28, 32, 32, ui::TPicture::kProgram),
      Label6("Label6", kIconPage, 48, 40, Cp1250(kIconPlaceHeading)),
      Memo4(Explanation("Memo4", kIconPage, 8, 60, 197, 117, kIconLines)),
      Label2("Label2", kIconPage, 224, 69, Cp1250(kIconPlaceCaption)),
      ProgIcon("ProgIcon", kIconPage, 224, 84, 157, 30),
      BitBtn7(Back("BitBtn7", kIconPage, kDirPage)),
      BitBtn8(Next("BitBtn8", kIconPage, kInstallPage)),
      BitBtn9(Cancel("BitBtn9", kIconPage)),
      Memo6("Memo6", kMessagePage, 0, 0, 0, 0),
      Memo1("Memo1", kInstallPage, 12, 12, 425, 177),
      BitBtn10(Back("BitBtn10", kInstallPage, kIconPage)),
      BitBtn4(WizardButton("BitBtn4", kInstallPage, kNextLeft, kFinishCaption, kProgressPage,
                           kNextHint, ui::TGlyph::kOK)),
      BitBtn6(Cancel("BitBtn6", kInstallPage)),
      Label8("Label8", kProgressPage, 20, 20, Cp1250(kInstallingCaption)),
      ALProgressBar2("ALProgressBar2", kProgressPage, 20, 44, 141, 20),
      Mess("Mess", kProgressPage, 20, 88, kStepCaption),
      ALProgressBar1("ALProgressBar1", kProgressPage, 20, 104, 141, 20),
      LB1("LB1", kProgressPage, 200, 28, 213, 185),
      Bevel5("Bevel5", kUninstallPage, 8, 8, 241, 205),
      Label9(UninstallHeading("Label9", 16, kUninstallHeading)),
      Label3(UninstallHeading("Label3", 32, kUninstallSubheading)),
      Memo5(Explanation("Memo5", kUninstallPage, 16, 48, 225, 153, kUninstallLines)),
      BitBtn11("BitBtn11", kUninstallPage, 280, 140, 105, 25, Cp1250(kUninstallCaption)),
      BitBtn12("BitBtn12", kUninstallPage, 280, 176, 105, 25, Cp1250(kCancelCaption)),
      ui_(ui) {
  Label1.Alignment = ui::TAlignment::kCenter;
  Label2.Alignment = ui::TAlignment::kCenter;
  ProgIcon.Items.Assign(Cp1250Lines(kIconPlaces));
  Memo6.Lines.Assign(BuiltInMessageLines());
  Memo6.Visible = false;
  Memo1.ScrollBars = true;
  BitBtn11.Glyph = ui::TGlyph::kUninstall;
  BitBtn12.Glyph = ui::TGlyph::kCancel;

  RegInfo.RProg = "Vorlex";
  RegInfo.RHomeDir = "c:\\Vorlex";

  for (ui::TBitBtn* next : {&BitBtn5, &BitBtn1, &BitBtn2, &BitBtn7, &BitBtn8, &BitBtn10}) {
    next->OnClick = [this, next] { BitBtn5Click(*next); };
  }
  for (ui::TBitBtn* cancel : {&Storno, &BitBtn3, &BitBtn9, &BitBtn6}) {
    cancel->OnClick = [this, cancel] { StornoClick(*cancel); };
  }
  BitBtn4.OnClick = [this] { BitBtn4Click(BitBtn4); };
  BitBtn11.OnClick = [this] { BitBtn11Click(BitBtn11); };
  BitBtn12.OnClick = [this] { BitBtn12Click(BitBtn12); };

  FormStorage1.Bind(StoredPropertiesOf(*this), PlacementBinding());
}

std::vector<ui::TControl*> TForm1::Controls() {
  return {&Label4,  &Label5,  &Label7,         &Bevel2,   &Memo2,          &BitBtn5,  &Storno,
          &Bevel1,  &Image3,  &Memo3,          &Label1,   &Directory,      &BitBtn1,  &BitBtn2,
          &BitBtn3, &Bevel4,  &Image1,         &Label6,   &Memo4,          &Label2,   &ProgIcon,
          &BitBtn7, &BitBtn8, &BitBtn9,        &Memo6,    &Memo1,          &BitBtn10, &BitBtn4,
          &BitBtn6, &Label8,  &ALProgressBar2, &Mess,     &ALProgressBar1, &LB1,      &Bevel5,
          &Label9,  &Label3,  &Memo5,          &BitBtn11, &BitBtn12};
}

WindowBinding TForm1::PlacementBinding() {
  WindowBinding binding;
  binding.placement = [this] {
    WindowPlacement placement;
    placement.showCmd =
        ProgramMinimized ? 2 : (WindowState == ui::TWindowState::kMaximized ? 3 : 1);
    if (const std::optional<ui::WindowPlacementInfo> shown = ui_.MainWindowPlacement()) {
      // As the window system reports it; the whole program minimised shows as 2.
      placement.flags = shown->flags;
      if (!ProgramMinimized) placement.showCmd = shown->showCmd;
      placement.minX = shown->minX;
      placement.minY = shown->minY;
      placement.maxX = shown->maxX;
      placement.maxY = shown->maxY;
      placement.left = shown->left;
      placement.top = shown->top;
      placement.right = shown->right;
      placement.bottom = shown->bottom;
      return placement;
    }
    placement.left = Left;
    placement.top = Top;
    placement.right = Left + Width;
    placement.bottom = Top + Height;
    return placement;
  };
  binding.setPlacement = [this](const WindowPlacement& placement) {
    Left = placement.left;
    Top = placement.top;
  };
  binding.pixelsPerInch = [this] { return ui_.PixelsPerInch(); };
  binding.setShowState = [this](WindowShowState state) {
    switch (state) {
      case WindowShowState::kNormal:
        WindowState = ui::TWindowState::kNormal;
        break;
      case WindowShowState::kMaximized:
        WindowState = ui::TWindowState::kMaximized;
        break;
      case WindowShowState::kProgramMinimized:
        MinimizeAfterShow = true;
        break;
    }
  };
  return binding;
}

std::string TForm1::MessageLine(Msg line) const {
  return ::setup::MessageLine(Memo6.Lines.Lines(), line);
}

StartOutcome TForm1::FormCreate() {
  // 1. The source folder: the current directory as the system reports it.
  SourceFolder = plat::CurrentDirectory().value_or({});

  // 2. The single-instance lock. A second copy says so with the built-in line 31 (the
  // overrides are not read yet) and ends with exit code 3.
  const plat::MutexResult mutex = plat::CreateNamedMutex(kMutexName);
  if (mutex.handle != plat::kNoHandle) Lock.emplace(mutex.handle);
  if (mutex.error == plat::kAlreadyExists) {
    ui_.MessageBox(MessageLine(Msg::kAlreadyRunning), kBoxCaption, ui::MB_ICONERROR | ui::MB_OK);
    return StartOutcome::kAlreadyRunning;
  }

  // 3. The LWTEMP folder; nothing is created on disk.
  std::string temp = plat::TempPath().value_or({});
  if (temp.empty() || temp.back() != '\\') temp += '\\';
  LwTempFolder = NormalizePath(temp + "LWTEMP");

  // 4. The mode: the welcome page when the payload archive lies in the source folder,
  // otherwise the uninstall page.
  pages.SetActivePageIndex(kUninstallPage);
  if (FileExists(NormalizePath(SourceFolder + "\\vx01.zip"))) pages.SetActivePageIndex(kPortal);

  // 5. The installation record; without one the built-in home directory stays. A record
  // that cannot be read is reported and start-up goes on.
  Guarded([this] { RegInfo.ReadRecord(); });

  // 6. The text override file.
  // A source folder the system could not report names no file: "\setup.ini" would be
  // written at the root of the current drive.
  if (!SourceFolder.empty())
    FormStorage1.SetIniFileName(NormalizePath(SourceFolder + "\\setup.ini"));

  // 7. The install directory choices. A folder the system does not name would leave
  // "\Vorlex" at the root of whatever drive is current: C:\Vorlex stands in for it.
  const auto inFolder = [](const std::string& folder) {
    return folder.empty() ? std::string("C:\\Vorlex") : NormalizePath(folder + "\\Vorlex");
  };
  Directory.Items.Clear();
  Directory.Items.Add(inFolder(SystemDirs1.ProgramFilesDir()));
  Directory.Items.Add("C:\\Vorlex");
  Directory.Items.Add(inFolder(SystemDirs1.DeskTopDir()));
  Directory.Items.Add(kPickFolderChoice);
  Directory.Select(0);

  // 8. The whole virtual desktop.
  const ui::ScreenSize screen = ui_.VirtualScreen();
  Left = 0;
  Top = 0;
  Width = screen.width;
  Height = screen.height;
  return StartOutcome::kRun;
}

void TForm1::FormShow() {
  FormStorage1.Restore();
  WindowState = ui::TWindowState::kMaximized;
}

std::vector<PaintBand> TForm1::FormPaint(int clientWidth, int clientHeight) const {
  const int height = clientHeight > 0 ? clientHeight : 0;
  const int band = (height + 255) / 256;
  std::vector<PaintBand> bands;
  bands.reserve(256);
  for (int i = 0; i < 256; ++i) {
    bands.push_back(
        {{0, i * band, clientWidth, (i + 1) * band}, {0, 0, static_cast<std::uint8_t>(255 - i)}});
  }
  return bands;
}

void TForm1::FormResize() {
  ui_.Invalidate();
  pages.Left = (Width - pages.Width) / 2;
  pages.Top = (Height - pages.Height) / 2;
}

void TForm1::Close() {
  if (closed_) return;
  closed_ = true;
  Guarded([this] { FormStorage1.SaveAtClose(); });
}

void TForm1::FormDestroy() {
  Guarded([this] { FormStorage1.SaveAtDestroy(); });
  if (CleanUp) Guarded([this] { RemoveSelf(NormalizePath(LwTempFolder)); });
  ReleaseLock();
}

void TForm1::BitBtn5Click(ui::TBitBtn& Sender) {
  BuildSummary();
  CleanUp = true;
  pages.SetActivePageIndex(Sender.Tag);
}

void TForm1::StornoClick(ui::TBitBtn&) {
  ui_.MessageDialog(MessageLine(Msg::kInstallCancelled), ui::DialogKind::kInformation);
  CleanUp = true;
  Close();
}

void TForm1::DirectoryChange() {
  if (Directory.ItemIndex == 3) {
    if (Form2 == nullptr) throw std::logic_error("the directory picker window was not created");
    Form2->Result = ui::ModalResult::kNone;
    if (ui_.ShowPicker(*Form2) == ui::ModalResult::kOK) {
      std::string folder = Form2->dirtree.Directory;
      while (!folder.empty() && folder.back() == '\\') folder.pop_back();
      Directory.Items.Put(3, NormalizePath(folder + "\\Vorlex"));
      Directory.Select(3);
    } else {
      Directory.Select(0);
    }
  }
  ui_.Invalidate();
  BuildSummary();
}

void TForm1::ProgIconClick() { BuildSummary(); }

void TForm1::BuildSummary() {
  RegInfo.RHomeDir = Directory.SelectedText();
  Memo1.Lines.Clear();
  Memo1.Lines.Add(MessageLine(Msg::kSummaryHeading));
  Memo1.Lines.Add(MessageLine(Msg::kProgramPlace) + RegInfo.RHomeDir);
  Memo1.Lines.Add("");
  Memo1.Lines.Add(MessageLine(Msg::kIconPlace));
  Memo1.Lines.Add(MessageLine(Msg::kIconInGroup));
  if (ProgIcon.Checked(0)) Memo1.Lines.Add(MessageLine(Msg::kIconOnDesktop));
  if (ProgIcon.Checked(1)) Memo1.Lines.Add(MessageLine(Msg::kIconInStartMenu));
  Memo1.Lines.Add("");
  Memo1.Lines.Add(MessageLine(Msg::kPressFinish));
  Memo1.Lines.Add("");
}

void TForm1::BitBtn12Click(ui::TBitBtn&) { Close(); }

void TForm1::ReportError(const std::exception& error) {
  ui_.MessageBox(ErrorReportText(error.what()), kBoxCaption, ui::MB_ICONERROR | ui::MB_OK);
}

void TForm1::Click(ui::TBitBtn& button) {
  const bool onShownPage = button.Page < 0 || button.Page == pages.ActivePageIndex();
  if (!button.Visible || !button.Enabled || !onShownPage || !button.OnClick) return;
  Guarded([&button] { button.OnClick(); });
}

void TForm1::ChooseDirectory(int index) {
  if (pages.ActivePageIndex() != kDirPage || index < 0 || index >= Directory.Items.Count()) {
    return;
  }
  Guarded([this, index] {
    Directory.Select(index);
    DirectoryChange();
  });
}

void TForm1::ToggleIcon(int index) {
  if (pages.ActivePageIndex() != kIconPage || index < 0 || index >= ProgIcon.Items.Count()) {
    return;
  }
  Guarded([this, index] {
    ProgIcon.SetChecked(index, !ProgIcon.Checked(index));
    ProgIconClick();
  });
}

}  // namespace setup
