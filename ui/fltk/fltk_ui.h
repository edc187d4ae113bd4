// The FLTK view of the setup program on Linux: the UI service on screen and the message loop
// that the program entry runs.
#pragma once

#include <memory>
#include <string>

#include "app/form1.h"
#include "ui/form2.h"
#include "ui/ui_service.h"

class Fl_Window;

namespace ui::fltk {

class MainView;
class PickerView;

// Opens the X display. False when none can be opened, with the reason in `why`.
bool OpenDisplay(std::string& why);

// Needs an open display (OpenDisplay).
class FltkUi : public UiService {
 public:
  FltkUi();
  ~FltkUi() override;
  FltkUi(const FltkUi&) = delete;
  FltkUi& operator=(const FltkUi&) = delete;

  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  ModalResult ShowPicker(TForm2& picker) override;
  void ProcessMessages() override;
  void Invalidate() override;
  ScreenSize VirtualScreen() override;
  int PixelsPerInch() override;
  std::optional<WindowPlacementInfo> MainWindowPlacement() override;

  // The program's message loop: shows the main window and turns the user's actions into the
  // form's handlers until the form is closed. Returns the exit code, 0.
  int Run(setup::TForm1& form, TForm2& picker);

  // The steps of Run around its loop: Open builds the windows of `form` and `picker` and shows
  // the main window (running FormShow); Shut hides and destroys them. In between, the
  // service's calls act on these windows.
  void Open(setup::TForm1& form, TForm2& picker);
  void Shut();
  // The picker's window (shown or not) while open, for tests; null otherwise.
  Fl_Window* PickerWindow() const;

 private:
  std::unique_ptr<MainView> main_;
  std::unique_ptr<PickerView> picker_;
  TForm2* pickerForm_ = nullptr;
};

}  // namespace ui::fltk
