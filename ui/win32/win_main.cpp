// The Windows program: COM and the common controls for the program's life, then start-up,
// the windows and the message loop through the Win32 view. The exit code is the program's
// (0 after a normal close, 3 for a second copy).
#include "app/program.h"
#include "platform/com.h"
#include "ui/win32/view_impl.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  plat::ComInit com;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES;
  InitCommonControlsEx(&controls);
  ui::win32::Win32View view(instance);
  return setup::RunProgram(
      view, [&view](setup::TForm1& form, ui::TForm2& picker) { return view.Run(form, picker); });
}
