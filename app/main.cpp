// The `setup` program on Linux, with the FLTK view. Without a display it says so and ends
// with a non-zero exit code. The switches are those of the Windows program (see
// app/command_line.h); a run with /S needs no display. (The Windows program's entry is the
// Win32 view's WinMain.)
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/unattended.h"
#include "ui/fltk/fltk_ui.h"
#include "ui/form2.h"

namespace {

constexpr int kExitNoDisplay = 2;

// A usage text for the terminal: its line breaks (CR) as the terminal's.
void PrintUsage(const std::string& error) {
  std::string text = setup::UsageText(error);
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const setup::ParsedCommandLine parsed = setup::ParseCommandLine(setup::JoinArguments(arguments));
  if (parsed.ok() && parsed.options.silent) return setup::RunUnattended(parsed.options);
  std::string why;
  if (!ui::fltk::OpenDisplay(why)) {
    if (!parsed.ok()) {
      PrintUsage(parsed.error);
      return setup::kExitUsage;
    }
    std::fprintf(stderr, "setup: %s; the installer needs a graphical display.\n", why.c_str());
    return kExitNoDisplay;
  }
  ui::fltk::FltkUi view;
  return setup::RunCommandLine(parsed, view, [&view](setup::TForm1& form, ui::TForm2& picker) {
    return view.Run(form, picker);
  });
}
