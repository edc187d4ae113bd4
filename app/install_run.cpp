// The install run: the finish button's handler from the first step report to the closing of
// the window, with the progress page showing each step and every failure logged.
#include "app/install_run.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "install/fileops.h"
#include "install/paths.h"
#include "install/shortcut.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "texts/error.h"
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
  explicit ExtractionProgress(TForm1& form)
      : form_(form),
        previous_(unzip::SetProgressObserver(
            [this](std::int32_t first, const unzip::ReportRecord& record) {
              Report(first, record);
            })) {}
  ExtractionProgress(const ExtractionProgress&) = delete;
  ExtractionProgress& operator=(const ExtractionProgress&) = delete;
  ~ExtractionProgress() { unzip::SetProgressObserver(std::move(previous_)); }

 private:
  void Report(std::int32_t first, const unzip::ReportRecord& record) {
    switch (record.Status) {
      case unzip::kReportArchiveStart:
        total_ = record.Size > 0 ? static_cast<std::uint64_t>(record.Size) : 0;
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

  TForm1& form_;
  std::uint64_t total_ = 0;
  std::uint64_t written_ = 0;
  unzip::ProgressObserver previous_;
};

// What went wrong on the way; the run goes on and tells the user at its end.
class Failures {
 public:
  explicit Failures(TForm1& form) : form_(form) {}

  void Extract(const std::string& archive, const std::string& destination) {
    form_.ALProgressBar1.SetPosition(0);  // a fresh bar for each archive, also a missing one
    const std::int32_t code = unzip::ExtractArchive(archive, destination);
    if (code != 0) Add(unzip::ExtractMessage(code, archive));
  }

  void Copy(const std::string& file, const std::string& destination) {
    const std::uint32_t code = plat::CopyFile(file, destination, false);
    if (code != plat::kOk) Add(InOutErrorText(code) + ": " + file);
  }

  void Refuse(const std::string& file, const std::string& line) { Add(file + ": " + line); }

  // A link that was not saved, also one in a shell folder the system does not name.
  void Shortcut(const std::string& target, const std::string& name, const std::string& folder) {
    if (!CreateShortcut(target, name, folder)) Add("Link: " + NormalizePath(folder + "\\" + name));
  }

  void Record(bool written, const std::string& key) {
    if (!written) Add("Registry: HKEY_CURRENT_USER" + key);
  }

  bool Any() const { return !lines_.empty(); }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void Add(const std::string& line) {
    lines_.push_back(line);
    form_.LB1.Items.Add(line);
  }

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
    auto got = plat::ReadFile(file.value.get(), buffer, sizeof buffer);
    if (!got.ok()) throw InOutError(got.error);
    if (got.value == 0) break;
    text.append(buffer, got.value);
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

std::string T(std::string_view utf8) { return plat::Utf8ToCp1250(utf8); }

// An optional payload file is taken as absent only when the system says it is not there; a
// query that fails otherwise lets the step run and report what goes wrong.
bool Present(const std::string& name) {
  const auto attributes = plat::FileAttributes(name);
  if (!attributes.ok()) {
    return attributes.error != plat::kFileNotFound && attributes.error != plat::kPathNotFound;
  }
  return (attributes.value & plat::kAttrDirectory) == 0;
}

// A subfolder or name that would lead out of the program group: a ".." component, a drive
// or a stream (":"), or a name that is a path.
bool LeavesGroup(const ShortcutLine& fields) {
  const auto climbs = [](const std::string& path) {
    if (path.find(':') != std::string::npos) return true;
    std::size_t at = 0;
    for (;;) {
      const std::size_t end = std::min(path.find('\\', at), path.size());
      std::string part = path.substr(at, end - at);
      while (!part.empty() && (part.back() == ' ' || part.back() == '.')) part.pop_back();
      if (part.empty() && end > at) return true;  // "..", "...", ". ." name the parent
      if (end == path.size()) return false;
      at = end + 1;
    }
  };
  return climbs(fields.subfolder) || climbs(fields.name) ||
         fields.name.find('\\') != std::string::npos;
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
  form.Ui().MessageDialog(form.MessageLine(7) + "\r\r" + path + "\r\r" + form.MessageLine(8),
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

void TForm1::BitBtn4Click(ui::TBitBtn&) {
  const std::string& home = RegInfo.RHomeDir;
  const std::string homeDir = NormalizePath(home);
  Failures failures(*this);
  ExtractionProgress progress(*this);

  LB1.Items.Clear();
  ReportStep(*this, 0, MessageLine(9), MessageLine(11));
  pages.SetActivePageIndex(kProgressPage);
  LB1.Items.Add(" - " + homeDir);
  if (!EnsureDirectory(*this, homeDir)) {
    Close();
    return;
  }
  const std::pair<int, const char*> folders[] = {
      {10, "\\Sources"}, {20, "\\Manual"}, {30, "\\Samples"}};
  for (const auto& [position, suffix] : folders) {
    const std::string folder = NormalizePath(home + suffix);
    ReportStep(*this, position, MessageLine(9), " - " + folder);
    if (!EnsureDirectory(*this, folder)) {
      Close();
      return;
    }
  }

  ReportStep(*this, 40, MessageLine(12), MessageLine(12));
  ReportStep(*this, kExtractingPosition, MessageLine(10), MessageLine(13));
  ReportStep(*this, kExtractingPosition, MessageLine(10), " - vx01");
  failures.Extract("vx01.zip", homeDir);
  ReportStep(*this, 60, MessageLine(10), MessageLine(14));
  failures.Extract("sources.zip", NormalizePath(home + "\\sources"));
  ReportStep(*this, 70, MessageLine(10), " - Manual");
  failures.Extract("manual.zip", NormalizePath(home + "\\manual"));
  for (const char* file : {"setup.exe", "setup.ini", "Vorlex.ini"}) {
    failures.Copy(file, NormalizePath(home + "\\" + file));
  }
  if (Present("all.zip")) failures.Extract("all.zip", homeDir);

  // Shortcuts. A shell folder the system does not name gets none: CreateShortcut writes
  // nothing into an empty folder, and no program group is made at the root of the drive.
  // Every link that is not saved is named at the end.
  const std::string program = NormalizePath(home + "\\Vorlex.exe");
  ReportStep(*this, 80, MessageLine(15), "");
  if (ProgIcon.Checked(0)) {
    ReportStep(*this, 80, MessageLine(16), MessageLine(17));
    failures.Shortcut(program, "Vorlex", NormalizePath(SystemDirs1.DeskTopDir()));
  }
  if (ProgIcon.Checked(1)) {
    ReportStep(*this, 85, MessageLine(18), MessageLine(19));
    failures.Shortcut(program, "Vorlex", NormalizePath(SystemDirs1.StartMenuDir()));
  }
  ReportStep(*this, 90, MessageLine(20), MessageLine(21));
  const bool hasGroup = !SystemDirs1.StartMenuProgramsDir().empty();
  const std::string group = NormalizePath(SystemDirs1.StartMenuProgramsDir() + "\\Vorlex");
  if (hasGroup && !EnsureDirectory(*this, group)) {
    Close();
    return;
  }
  if (hasGroup && Present("short.txt")) {
    for (const std::string& line : ReadLines("short.txt")) {
      const ShortcutLine fields = ParseShortcutLine(line);
      // A zero byte would cut the path the system sees.
      if (line.find('\0') != std::string::npos || LeavesGroup(fields)) {
        failures.Refuse("short.txt", line);
        continue;
      }
      const std::string folder = group + fields.subfolder;
      if (!DirectoryExists(folder)) ForceDirectories(folder);
      failures.Shortcut(NormalizePath(home + fields.target), fields.name, NormalizePath(folder));
    }
  }
  ALProgressBar2.SetPosition(100);
  const std::string groupFolder = hasGroup ? group : std::string();
  failures.Shortcut(program, "Vorlex", groupFolder);
  failures.Shortcut(NormalizePath(home + "\\manual\\Vorlex.htm"), T("Manuál"), groupFolder);
  failures.Shortcut(NormalizePath(home + "\\setup.exe"), "Uninstall", groupFolder);
  Label8.Caption = MessageLine(22);

  if (const std::uint32_t code = plat::SetCurrentDirectory(homeDir); code != plat::kOk) {
    throw InOutError(code);
  }
  CleanUp = false;
  failures.Record(RegInfo.WriteRecord(), RegInfo.RKey + "\\" + RegInfo.RProg);

  // A run with failures does not claim success: it names what failed.
  if (failures.Any()) {
    std::string text = T("Instalace nebyla dokončena, selhalo:");
    for (const std::string& line : failures.Lines()) text += "\r" + line;
    ui_.MessageDialog(text, ui::DialogKind::kError);
  } else {
    ui_.MessageDialog(MessageLine(25), ui::DialogKind::kInformation);
  }
  // The progress page has no button: a batch that cannot be written is reported, and the
  // window still closes rather than leaving the user with no way out.
  try {
    RemoveSelf(NormalizePath(LwTempFolder));
  } catch (const SetupError& error) {
    ReportError(error);
  }
  Close();
}

}  // namespace setup
