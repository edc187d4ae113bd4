// Program entry: the main window with its start-up, the hidden picker window, the view's
// message loop, and destruction. Shared by the product and the tests.
#pragma once

#include <functional>

#include "app/form1.h"
#include "ui/form2.h"
#include "ui/ui_service.h"

namespace setup {

// The view's message loop. It shows the main window (running FormShow at the first show),
// turns the user's actions into handler calls until the window is closed, and returns the
// process exit code (0 after a normal close).
using MessageLoop = std::function<int(TForm1& form, ui::TForm2& picker)>;

// Creates the main window and runs start-up; a second copy ends here with exit code 3.
// Then creates the picker, runs the loop and destroys the main window. An error while the
// window's components are made is reported, and the program ends with exit code 1.
int RunProgram(ui::UiService& ui, const MessageLoop& loop);

}  // namespace setup
