// The `setup` program. On Linux its window is the FLTK view; without a display it says so and
// ends with a non-zero exit code. The Windows build has no window system view yet: it runs
// start-up (the single-instance lock and its message included) and then says plainly that it
// cannot show its window, ending with a non-zero exit code.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/program.h"
#include "platform/codepage.h"
#include "ui/form2.h"
#include "ui/ui_service.h"

#ifndef _WIN32
#include "ui/fltk/fltk_ui.h"
#endif

namespace {

constexpr int kExitNoView = 2;

#ifdef _WIN32
// Message boxes go to the standard error stream; nothing that asks the user can be answered.
class ConsoleUi : public ui::UiService {
 public:
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override {
    std::fprintf(stderr, "%s: %s\n", plat::Cp1250ToUtf8(caption).c_str(),
                 plat::Cp1250ToUtf8(text).c_str());
    if ((flags & 0x0Fu) != ui::MB_OK) throw std::runtime_error("no window system view to ask");
    return ui::IDOK;
  }
  void MessageDialog(const std::string& text, ui::DialogKind kind) override {
    MessageBox(text, ui::DialogCaption(kind), ui::MB_OK);
  }
  ui::ModalResult ShowPicker(ui::TForm2&) override {
    throw std::runtime_error("no window system view to show the picker");
  }
  void ProcessMessages() override {}
  void Invalidate() override {}
  ui::ScreenSize VirtualScreen() override { return {}; }
  int PixelsPerInch() override { return 96; }
};
#endif

}  // namespace

int main() {
#ifndef _WIN32
  std::string why;
  if (!ui::fltk::OpenDisplay(why)) {
    std::fprintf(stderr, "setup: %s; the installer needs a graphical display.\n", why.c_str());
    return kExitNoView;
  }
  ui::fltk::FltkUi view;
  return setup::RunProgram(
      view, [&view](setup::TForm1& form, ui::TForm2& picker) { return view.Run(form, picker); });
#else
  ConsoleUi console;
  return setup::RunProgram(console, [](setup::TForm1&, ui::TForm2&) {
    std::fputs("setup: no window system view is built yet\n", stderr);
    return kExitNoView;
  });
#endif
}
