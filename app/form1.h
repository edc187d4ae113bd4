// The main window TForm1 (unit setupunit): its controls, the process-wide start state, and
// the event handlers of start-up, the wizard and the two runs. The window owns the whole
// state of a run; a view mirrors the controls and calls the handlers.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "install/sysdirs.h"
#include "platform/process.h"
#include "texts/form_storage.h"
#include "texts/message_table.h"
#include "texts/window_texts.h"
#include "ui/controls.h"
#include "ui/form2.h"
#include "ui/ui_service.h"
#include "uninstall/install_record.h"

namespace setup {

// The name of the single-instance lock shared by every copy of the program.
inline constexpr const char* kMutexName = "SETUPMain987EXE";
// Exit code of a copy started while another one runs.
inline constexpr int kExitAlreadyRunning = 3;

// Page indexes of `pages`.
enum PageIndex : int {
  kPortal = 0,
  kDirPage = 1,
  kIconPage = 2,
  kMessagePage = 3,
  kInstallPage = 4,
  kProgressPage = 5,
  kUninstallPage = 6,
};

enum class StartOutcome { kRun, kAlreadyRunning };

// One band of the painted background.
struct PaintBand {
  ui::TRect rect;
  ui::TColor color;
};

class TForm1 {
 public:
  explicit TForm1(ui::UiService& ui);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // --- the window ---------------------------------------------------------------------------
  const std::string Caption;                     // "Vorlex Plug-In Setup"
  ui::TFont Font;                                // MS Sans Serif, 8 point
  int Left = 0, Top = 0, Width = 0, Height = 0;  // outer rectangle
  ui::TWindowState WindowState = ui::TWindowState::kNormal;
  // Set when the text overrides ask for the whole program to be minimised; the view does it
  // once the first show has maximised the window, and clears the flag.
  bool MinimizeAfterShow = false;
  // Kept up to date by the view: the whole program is minimised at this moment.
  bool ProgramMinimized = false;

  // Title: three labels drawn in this order, each over the previous one.
  ui::TLabel Label4, Label5, Label7;

  ui::TPageControl pages;

  // Page 0, welcome.
  ui::TBevel Bevel2;
  ui::TMemo Memo2;
  ui::TBitBtn BitBtn5, Storno;
  // Page 1, install directory.
  ui::TBevel Bevel1;
  ui::TImage Image3;
  ui::TMemo Memo3;
  ui::TLabel Label1;
  ui::TComboBox Directory;
  ui::TBitBtn BitBtn1, BitBtn2, BitBtn3;
  // Page 2, icon places.
  ui::TBevel Bevel4;
  ui::TImage Image1;
  ui::TLabel Label6;
  ui::TMemo Memo4;
  ui::TLabel Label2;
  ui::TCheckListBox ProgIcon;
  ui::TBitBtn BitBtn7, BitBtn8, BitBtn9;
  // Page 3, never shown: the message table.
  ui::TMemo Memo6;
  // Page 4, summary and finish.
  ui::TMemo Memo1;
  ui::TBitBtn BitBtn10, BitBtn4, BitBtn6;
  // Page 5, progress of the install run.
  ui::TLabel Label8;
  ui::TProgressBar ALProgressBar2;
  ui::TLabel Mess;
  ui::TProgressBar ALProgressBar1;
  ui::TListBox LB1;
  // Page 6, uninstall.
  ui::TBevel Bevel5;
  ui::TLabel Label9, Label3;
  ui::TMemo Memo5;
  ui::TBitBtn BitBtn11, BitBtn12;

  // Non-visual components: the system folders (read as the window is made), the
  // installation record, and the text overrides in setup.ini.
  TSystemDirs SystemDirs1;
  TInstallRecord RegInfo;
  FormStorage FormStorage1;

  // Every control above, in creation order (the title labels first), for the views.
  std::vector<ui::TControl*> Controls();

  // --- process-wide start state ---------------------------------------------------------------
  std::string SourceFolder;  // current directory at start
  std::string LwTempFolder;  // system temp + "LWTEMP"; made only to hold the self-removal batch
  bool CleanUp = false;      // set by the wizard buttons; at exit it starts the self-removal
  // The single-instance lock "SETUPMain987EXE"; empty once released, so that it is released
  // exactly once.
  std::optional<plat::NamedMutex> Lock;
  void ReleaseLock() { Lock.reset(); }

  // The picker window, created by the program entry after FormCreate.
  ui::TForm2* Form2 = nullptr;

  // --- events ---------------------------------------------------------------------------------
  StartOutcome FormCreate();
  void FormShow();
  // The background for a client area of the given size: 256 bands from blue to black.
  std::vector<PaintBand> FormPaint(int clientWidth, int clientHeight) const;
  void FormResize();
  void FormDestroy();

  void BitBtn5Click(ui::TBitBtn& Sender);
  void StornoClick(ui::TBitBtn& Sender);
  void DirectoryChange();
  void ProgIconClick();
  void BuildSummary();
  void BitBtn12Click(ui::TBitBtn& Sender);
  // The install run (finish button) and the uninstall run (uninstall button).
  void BitBtn4Click(ui::TBitBtn& Sender);
  void BitBtn11Click(ui::TBitBtn& Sender);

  // A line of the message table; the empty text when an override made the table shorter.
  std::string MessageLine(Msg line) const;

  // A close request: saves the text overrides and ends the message loop.
  void Close();
  bool Closed() const { return closed_; }

  // --- user actions, as a view reports them ---------------------------------------------------
  // Each runs the bound handler; an error that ends the handler is shown by ReportError.
  void Click(ui::TBitBtn& button);
  void ChooseDirectory(int index);
  void ToggleIcon(int index);
  // The general error report: the error's text in a message box with the error icon.
  void ReportError(const std::exception& error);

  ui::UiService& Ui() { return ui_; }

 private:
  WindowBinding PlacementBinding();
  template <class Handler>
  void Guarded(Handler&& handler);

  ui::UiService& ui_;
  bool closed_ = false;
};

}  // namespace setup
