// The install run: the finish button's handler from the first step report to the closing of
// the window, with the progress page showing each step and every failure logged.
#include "app/install_run.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "install/fileops.h"
#include "install/paths.h"
#include "install/shortcut.h"
#include "platform/files.h"
#include "texts/error.h"
#include "texts/run_texts.h"
#include "uninstall/apps_entry.h"
#include "uninstall/remove_self.h"
#include "unzip/coding.h"
#include "unzip/ziptypes.h"

namespace setup {

namespace {

constexpr int kExtractingPosition = 50;

// Moves ALProgressBar1 with the archive being extracted: the bytes written so far against
// the archive's total from its start report. Every report also lets the window repaint.
class ExtractionProgress {
 public:
  explicit ExtractionProgress(TForm1& form) : form_(form) {}

  void operator()(std::int32_t first, const unzip::ReportRecord* record) {
    switch (record->Status) {
      case unzip::kReportArchiveStart:
        total_ = record->Size > 0 ? static_cast<std::uint64_t>(record->Size) : 0;
        written_ = 0;
        form_.ALProgressBar1.SetPosition(0);
        break;
      case unzip::kReportWrite:
        if (first > 0) written_ += static_cast<std::uint64_t>(first);
        if (total_ > 0) {
          form_.ALProgressBar1.SetPosition(static_cast<int>(std::min<std::uint64_t>(
              written_ * ui::TProgressBar::Max / total_, ui::TProgressBar::Max)));
        }
        break;
      case unzip::kReportArchiveEnd:
        form_.ALProgressBar1.SetPosition(ui::TProgressBar::Max);
        break;
      default:
        break;
    }
    form_.Ui().ProcessMessages();
  }

 private:
  TForm1& form_;
  std::uint64_t total_ = 0;
  std::uint64_t written_ = 0;
};

// What went wrong on the way; the run goes on and tells the user at its end. Each step of
// the run goes through Step: an error it raises is logged with its text and the run carries
// on with the steps that do not depend on it.
class Failures {
 public:
  explicit Failures(TForm1& form) : form_(form) {}

  // Runs `step`, which gives true when it was done. A step that gives false is logged as
  // `what`; one that raises an error, as `what` + ": " + the error's text. True when done.
  template <class Action>
  bool Step(const std::string& what, Action&& step) {
    try {
      if (step()) return true;
      Add(what);
    } catch (const std::exception& error) {
      Add(what + ": " + error.what());
    }
    return false;
  }

  void Extract(const std::string& archive, const std::string& destination) {
    form_.ALProgressBar1.SetPosition(0);  // a fresh bar for each archive, also a missing one
    std::int32_t code = 0;
    unzip::RunFailure why;
    Step(archive, [&] {
      code = unzip::ExtractArchive(archive, destination, &why, ExtractionProgress(form_));
      return true;
    });
    if (code != 0) Add(unzip::ExtractMessage(code, archive, why));
  }

  void Copy(const std::string& file, const std::string& destination) {
    const std::uint32_t code = plat::CopyFile(file, destination, false);
    if (code != plat::kOk) Add(InOutErrorText(code) + ": " + file);
  }

  void Add(const std::string& line) {
    lines_.push_back(line);
    form_.LB1.Items.Add(line);
  }

  // A link that was not saved, or whose link object could not be made.
  void Shortcut(const std::string& target, const std::string& name, const std::string& folder) {
    Step(RunTextOf(RunText::kLinkFailed) + NormalizePath(folder + "\\" + name),
         [&] { return CreateShortcut(target, name, folder); });
  }

  bool Any() const { return !lines_.empty(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  TForm1& form_;
  std::vector<std::string> lines_;
};

// Reads a text file line by line as the run-time library does: lines end with CR LF, LF or
// CR; a last line without an end counts; the file's input/output errors are raised.
std::vector<std::string> ReadLines(const std::string& name) {
  auto file = plat::File::Open(name, plat::OpenMode::kRead);
  if (!file.ok()) throw InOutError(file.error);
  std::string text;
  char buffer[4096];
  for (;;) {
    auto got = plat::ReadFile(file.value().get(), buffer, sizeof buffer);
    if (!got.ok()) throw InOutError(got.error);
    if (got.value() == 0) break;
    text.append(buffer, got.value());
  }
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
    if (text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
  }
  return lines;
}

// An optional payload file is taken as absent only when the system says it is not there; a
// query that fails otherwise lets the step run and report what goes wrong.
bool Present(const std::string& name) {
  const auto attributes = plat::FileAttributes(name);
  if (!attributes.ok()) {
    return attributes.error != plat::kFileNotFound && attributes.error != plat::kPathNotFound;
  }
  return (attributes.value() & plat::kAttrDirectory) == 0;
}

}  // namespace

void ReportStep(TForm1& form, int position, const std::string& status, const std::string& logLine) {
  form.ALProgressBar2.SetPosition(position);
  form.Mess.Caption = status;
  form.LB1.Items.Add(logLine);
  form.Ui().ProcessMessages();
}

bool EnsureDirectory(TForm1& form, const std::string& path) {
  const std::string folder = NormalizePath(path);
  bool made = false;
  try {
    made = ForceDirectories(folder);
  } catch (const SetupError&) {
    // A path the rule cannot work with (empty, or relative without its first folder) ends
    // the run like any other folder that cannot be made.
  }
  if (made) return true;
  form.Ui().MessageDialog(form.MessageLine(Msg::kCannotCreateFolder) + "\r\r" + path + "\r\r" +
                              form.MessageLine(Msg::kSetupAborted),
                          ui::DialogKind::kError);
  return false;
}

ShortcutLine ParseShortcutLine(const std::string& line) {
  ShortcutLine fields;
  std::string* const order[] = {&fields.target, &fields.subfolder, &fields.name};
  std::size_t at = 0;
  for (std::string* field : order) {
    const std::size_t end = line.find(';', at);
    if (end == std::string::npos) break;
    *field = line.substr(at, end - at);
    at = end + 1;
  }
  return fields;
}

namespace {

// The link file name CreateShortcut makes of `name`.
std::string LinkFileName(const std::string& name) {
  return name.find(".lnk") == std::string::npos ? name + ".lnk" : name;
}

// The links listed in "short.txt", in the program group `group` or in subfolders of it. A line
// whose subfolder or name would lead out of the group, or that holds a zero byte (which cuts
// the path the system sees), is refused and named.
void ListedShortcuts(const std::string& home, const std::string& group, Failures& failures) {
  std::vector<std::string> lines;
  if (!failures.Step("short.txt", [&] {
        lines = ReadLines("short.txt");
        return true;
      })) {
    return;
  }
  for (const std::string& line : lines) {
    const ShortcutLine fields = ParseShortcutLine(line);
    const std::optional<std::string> subfolder = ConfinedSubpath(fields.subfolder);
    if (line.find('\0') != std::string::npos || !subfolder ||
        !IsPlainName(LinkFileName(fields.name))) {
      failures.Add("short.txt: " + line);
      continue;
    }
    const std::string folder = group + *subfolder;
    if (failures.Step(RunTextOf(RunText::kFolderFailed) + folder,
                      [&] { return DirectoryExists(folder) || ForceDirectories(folder); })) {
      failures.Shortcut(NormalizePath(home + fields.target), fields.name, folder);
    }
  }
}

// The run from the first step report to the final message; false when it ended early on a
// folder that could not be made (the user has been told).
bool Install(TForm1& form) {
  const std::string& home = form.RegInfo.RHomeDir;
  const std::string homeDir = NormalizePath(home);
  const TSystemDirs& dirs = form.SystemDirs1;
  Failures failures(form);

  form.LB1.Items.Clear();
  ReportStep(form, 0, form.MessageLine(Msg::kCreatingFolder),
             form.MessageLine(Msg::kCreateFolderLog));
  form.pages.SetActivePageIndex(kProgressPage);
  form.LB1.Items.Add(" - " + homeDir);
  if (!EnsureDirectory(form, homeDir)) return false;
  const std::pair<int, const char*> folders[] = {
      {10, "\\Sources"}, {20, "\\Manual"}, {30, "\\Samples"}};
  for (const auto& [position, suffix] : folders) {
    const std::string folder = NormalizePath(home + suffix);
    ReportStep(form, position, form.MessageLine(Msg::kCreatingFolder), " - " + folder);
    if (!EnsureDirectory(form, folder)) return false;
  }

  const std::string copying = form.MessageLine(Msg::kCopyingFiles);
  ReportStep(form, 40, form.MessageLine(Msg::kPrepareCopy), form.MessageLine(Msg::kPrepareCopy));
  ReportStep(form, kExtractingPosition, copying, form.MessageLine(Msg::kExtractFiles));
  ReportStep(form, kExtractingPosition, copying, RunTextOf(RunText::kProgramLog));
  failures.Extract("vx01.zip", homeDir);
  ReportStep(form, 60, copying, form.MessageLine(Msg::kSourcesLog));
  failures.Extract("sources.zip", NormalizePath(home + "\\sources"));
  ReportStep(form, 70, copying, RunTextOf(RunText::kManualLog));
  failures.Extract("manual.zip", NormalizePath(home + "\\manual"));
  for (const char* file : {"setup.exe", "setup.ini", "Vorlex.ini"}) {
    failures.Copy(file, NormalizePath(home + "\\" + file));
  }
  if (Present("all.zip")) failures.Extract("all.zip", homeDir);

  // Shortcuts. A shell folder the system does not name gets none, and the user is told so:
  // nothing lands at the root of the current drive. Every link that is not saved is named.
  const std::string program = NormalizePath(home + "\\Vorlex.exe");
  ReportStep(form, 80, form.MessageLine(Msg::kWritingRegistry), "");
  const auto placeLink = [&](const std::string& shellFolder, RunText unnamed) {
    if (shellFolder.empty()) {
      failures.Add(RunTextOf(unnamed));
    } else {
      failures.Shortcut(program, "Vorlex", NormalizePath(shellFolder));
    }
  };
  if (form.ProgIcon.Checked(0)) {
    ReportStep(form, 80, form.MessageLine(Msg::kCreateDesktopLink),
               form.MessageLine(Msg::kDesktopLinkLog));
    placeLink(dirs.DeskTopDir(), RunText::kNoDesktopFolder);
  }
  if (form.ProgIcon.Checked(1)) {
    ReportStep(form, 85, form.MessageLine(Msg::kCreateStartLink),
               form.MessageLine(Msg::kStartLinkLog));
    placeLink(dirs.StartMenuDir(), RunText::kNoStartMenuFolder);
  }
  ReportStep(form, 90, form.MessageLine(Msg::kCreatingGroup),
             form.MessageLine(Msg::kUpdateStartLog));
  const bool hasGroup = !dirs.StartMenuProgramsDir().empty();
  const std::string group = NormalizePath(dirs.StartMenuProgramsDir() + "\\Vorlex");
  if (hasGroup) {
    if (!EnsureDirectory(form, group)) return false;
    if (Present("short.txt")) ListedShortcuts(home, group, failures);
  }
  form.ALProgressBar2.SetPosition(100);
  if (hasGroup) {
    failures.Shortcut(program, "Vorlex", group);
    failures.Shortcut(NormalizePath(home + "\\manual\\Vorlex.htm"),
                      RunTextOf(RunText::kManualLinkName), group);
    failures.Shortcut(NormalizePath(home + "\\setup.exe"), "Uninstall", group);
  } else {
    failures.Add(RunTextOf(RunText::kNoProgramsFolder));
  }
  form.Label8.Caption = form.MessageLine(Msg::kInstallationFinished);

  if (const std::uint32_t code = plat::SetCurrentDirectory(homeDir); code != plat::kOk) {
    failures.Add(InOutErrorText(code) + ": " + homeDir);
  }
  form.CleanUp = false;
  if (failures.Step(RunTextOf(RunText::kRecordFailed) + "HKEY_CURRENT_USER" + form.RegInfo.RKey +
                        "\\" + form.RegInfo.RProg,
                    [&] { return form.RegInfo.WriteRecord(); })) {
    if (const std::string failed = WriteAppsEntry(homeDir); !failed.empty()) failures.Add(failed);
  }

  // A run with failures does not claim success: it names what failed.
  if (failures.Any()) {
    std::string text = RunTextOf(RunText::kInstallFailed);
    for (const std::string& line : failures.Lines()) text += "\r" + line;
    form.Ui().MessageDialog(text, ui::DialogKind::kError);
  } else {
    form.Ui().MessageDialog(form.MessageLine(Msg::kInstallDone), ui::DialogKind::kInformation);
  }
  return true;
}

}  // namespace

void TForm1::BitBtn4Click(ui::TBitBtn&) {
  // The progress page has no button: whatever happens, the run ends with the window closed.
  // An error no step expected is shown first; a batch that cannot be written is reported.
  try {
    if (Install(*this)) RemoveSelf(NormalizePath(LwTempFolder));
  } catch (const std::exception& error) {
    ReportError(error);
  }
  Close();
}

}  // namespace setup
