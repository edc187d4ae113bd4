// The Windows program: COM and the common controls for the program's life, then the command
// line, start-up, the windows and the message loop through the Win32 view. The exit code is
// the program's (0 after a normal close, 3 for a second copy; see app/command_line.h for the
// switches). A run with /S makes no window.
#include "app/command_line.h"
#include "app/unattended.h"
#include "platform/com.h"
#include "ui/win32/view_impl.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  plat::ComInit com;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES;
  InitCommonControlsEx(&controls);
  const setup::ParsedCommandLine parsed =
      setup::ParseCommandLine(setup::ArgumentsOf(GetCommandLineA()));
  ui::win32::Win32View view(instance);
  return setup::RunCommandLine(parsed, view, [&view](setup::TForm1& form, ui::TForm2& picker) {
    return view.Run(form, picker);
  });
}
