// The `setup` program on Linux, with the FLTK view. Without a display it says so and ends
// with a non-zero exit code. (The Windows program's entry is the Win32 view's WinMain.)
#include <cstdio>
#include <string>

#include "app/program.h"
#include "ui/fltk/fltk_ui.h"
#include "ui/form2.h"

namespace {

constexpr int kExitNoDisplay = 2;

}  // namespace

int main() {
  std::string why;
  if (!ui::fltk::OpenDisplay(why)) {
    std::fprintf(stderr, "setup: %s; the installer needs a graphical display.\n", why.c_str());
    return kExitNoDisplay;
  }
  ui::fltk::FltkUi view;
  return setup::RunProgram(
      view, [&view](setup::TForm1& form, ui::TForm2& picker) { return view.Run(form, picker); });
}
