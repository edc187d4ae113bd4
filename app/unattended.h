// Starting the program from its command line: the usage box for a line it does not
// understand, /U's change into the program's own folder, and the unattended run of /S, which
// shows no window and writes its log and outcome to a file.
#pragma once

#include <string>

#include "app/command_line.h"
#include "app/program.h"
#include "ui/ui_service.h"

namespace setup {

// /U: makes the folder of the running program file the current directory. Returns the empty
// text when done, otherwise what failed.
std::string EnterProgramFolder();

// The unattended run of /S (with /U's folder change first when asked). In the payload folder
// it walks the wizard with its start values, the home being /D= when given, and presses the
// finish button; elsewhere it presses the uninstall button and answers its question Yes.
// Every log line of the progress page and every message goes to the log file (/LOG= or
// Vorlex-setup.log in the system temp folder), ended by the outcome. Returns 0 when the run
// went through, 3 when another copy runs, 1 on any failure, also a log that cannot be written.
int RunUnattended(const CommandLine& options);

// The program after its command line was parsed: a line it does not understand shows the
// usage on `boxes` and gives 2; /S runs unattended; /U enters the program's folder (a
// failure is shown and gives 1); then the program runs with `boxes` and `loop`.
int RunCommandLine(const ParsedCommandLine& parsed, ui::UiService& boxes, const MessageLoop& loop);

}  // namespace setup
