// The two small operations the install run is built from, kept apart so that the steps read
// as the run's table.
#pragma once

#include <string>

#include "app/form1.h"

namespace setup {

// Reports one step on the progress page: `position` to ALProgressBar2 (kept when outside
// 0..100), `status` as Mess's caption, `logLine` appended to LB1; then pending messages are
// processed so that the page repaints before the step runs.
void ReportStep(TForm1& form, int position, const std::string& status, const std::string& logLine);

// Creates the normalised `path` with every missing folder above it. True when it is there;
// otherwise the user is told (message lines 7 and 8 around the path, CR CR between them, in
// an error dialog) and the result is false: the run ends and the window closes.
bool EnsureDirectory(TForm1& form, const std::string& path);

// The fields of one "short.txt" line: target, subfolder and name, each ended by ";". A field
// without its ";" is empty and so is every field after it; text after the third ";" is
// ignored.
struct ShortcutLine {
  std::string target;
  std::string subfolder;
  std::string name;
};
ShortcutLine ParseShortcutLine(const std::string& line);

}  // namespace setup
