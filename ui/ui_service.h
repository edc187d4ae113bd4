// The modal side of the window system, as the event handlers use it: message boxes, message
// dialogs, the directory picker, processing of pending messages and the screen metrics. The
// views (Win32, FLTK) implement it on screen; the null backend answers from a script.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ui {

// MessageBox flags, with the Win32 values (combined by addition or "|").
enum MessageBoxFlags : std::uint32_t {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_YESNO = 0x04,
  MB_ICONERROR = 0x10,  // MB_ICONHAND, MB_ICONSTOP
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
};

// MessageBox answers, with the Win32 values.
enum MessageBoxAnswer : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDYES = 6,
  IDNO = 7,
};

// The wizard's message dialogs: the caption is that of the kind ("Information", "Error"),
// with the kind's icon and one "OK" button.
enum class DialogKind { kInformation, kError };

inline const char* DialogCaption(DialogKind kind) {
  return kind == DialogKind::kInformation ? "Information" : "Error";
}

// How a modal window was closed.
enum class ModalResult { kNone = 0, kOK = 1, kCancel = 2 };

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// The main window's placement as the window system reports it (on Windows, what
// GetWindowPlacement gives), in pixels: the placement flags, the show state (1 normal,
// 2 minimised, 3 maximised), the minimised and maximised positions (-1 where the system keeps
// none) and the window's normal rectangle, the one it has when it is neither maximised nor
// minimised.
struct WindowPlacementInfo {
  std::uint32_t flags = 0;
  int showCmd = 1;
  int minX = -1, minY = -1, maxX = -1, maxY = -1;
  int left = 0, top = 0, right = 0, bottom = 0;
};

class TForm2;

class UiService {
 public:
  virtual ~UiService() = default;

  // A message box with the given text, caption and MB_* flags, modal to the application (no
  // owner window before the main window exists). Returns the ID* answer.
  virtual int MessageBox(const std::string& text, const std::string& caption,
                         std::uint32_t flags) = 0;
  // A message dialog of `kind` with one "OK" button; returns when it is dismissed. On screen,
  // the message box with the kind's caption and icon.
  virtual void MessageDialog(const std::string& text, DialogKind kind) {
    MessageBox(text, DialogCaption(kind),
               MB_OK | (kind == DialogKind::kInformation ? MB_ICONINFORMATION : MB_ICONERROR));
  }
  // Shows the picker window modally. On return the picker's tree holds the folder the user
  // selected; the result tells how the window was closed.
  virtual ModalResult ShowPicker(TForm2& picker) = 0;
  // Lets the window system handle everything pending (repaints above all).
  virtual void ProcessMessages() = 0;
  // Marks the main window for a full repaint (the view reads the controls again).
  virtual void Invalidate() = 0;
  // Width and height of the whole virtual desktop (SM_CXVIRTUALSCREEN, SM_CYVIRTUALSCREEN).
  virtual ScreenSize VirtualScreen() = 0;
  // The screen's logical pixels per inch (96 on a standard screen).
  virtual int PixelsPerInch() = 0;
  // The main window's placement, when a main window is on screen; none otherwise (then the
  // form's own rectangle and state stand for it).
  virtual std::optional<WindowPlacementInfo> MainWindowPlacement() { return std::nullopt; }
};

}  // namespace ui
