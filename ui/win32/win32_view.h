// The Win32 view of the setup's two windows: TForm1 as a maximised dialog-framed window with
// the painted background, the title and one child window per page holding native controls;
// TForm2 as a tool window with a folder tree. It mirrors the controls' state on screen after
// every handler and every message pump, turns the user's clicks into handler calls, and
// serves the handlers' modal needs (message boxes, the picker, pending messages).
// Texts are code page 1250 inside; they reach the screen through the W functions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/form1.h"
#include "ui/form2.h"
#include "ui/ui_service.h"

namespace ui::win32 {

// The control ID of the first control of TForm1 that has a window of its own; the others
// follow in the order of TForm1::Controls(), the title labels left out.
inline constexpr int kFirstControlId = 100;

class Win32View : public UiService {
 public:
  explicit Win32View(void* instance);
  ~Win32View() override;
  Win32View(const Win32View&) = delete;
  Win32View& operator=(const Win32View&) = delete;

  // The message loop of setup::RunProgram: Open, Loop, Shut; returns 0.
  int Run(setup::TForm1& form, TForm2& picker);
  // Builds both windows and shows the main one, which runs FormShow; the picker stays hidden.
  void Open(setup::TForm1& form, TForm2& picker);
  // Dispatches messages until the form is closed.
  void Loop();
  // Destroys both windows; the view is then free for another Open.
  void Shut();
  // The windows as HWND values, for tests that look at them; null when not open.
  void* MainWindow() const;
  void* PickerWindow() const;

  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  ModalResult ShowPicker(TForm2& picker) override;
  void ProcessMessages() override;
  void Invalidate() override;
  ScreenSize VirtualScreen() override;
  int PixelsPerInch() override;
  std::optional<WindowPlacementInfo> MainWindowPlacement() override;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui::win32
