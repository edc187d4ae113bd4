// Two copies of the setup at once: one copy of the program played by this test program in
// a process of its own, through the program's start-up and the null view.
#pragma once

#include <string>

namespace setup::faults {

// Runs the program in the Windows folder `folder` as the user would: in install mode it
// walks the wizard and finishes, in uninstall mode it answers Yes. The handler's work is
// bracketed by "start <pid>" and "end <pid>" lines appended to the host file `marker`; every
// message pump sleeps a little so that the run lasts. Returns the program's exit code.
int RunCopy(const std::string& folder, const std::string& marker);

}  // namespace setup::faults
