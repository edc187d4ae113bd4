#include "app/unattended.h"

#include <vector>

#include "app/form1.h"
#include "install/paths.h"
#include "platform/files.h"
#include "texts/error.h"
#include "ui/controls.h"

namespace setup {

namespace {

constexpr const char* kLogName = "Vorlex-setup.log";

// The UI service of a run without a window: a question is answered Yes, every other box OK;
// each message is kept for the log, after the progress page's log lines that came before it.
class SilentUi : public ui::UiService {
 public:
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override {
    const std::uint32_t icon = flags & 0xF0u;
    const bool question = (flags & 0x0Fu) == ui::MB_YESNO;
    if (!question && (icon == ui::MB_ICONERROR || icon == ui::MB_ICONEXCLAMATION)) failed_ = true;
    Note((caption.empty() ? std::string() : "[" + caption + "] ") + text);
    if (question) Note("Yes");
    return question ? ui::IDYES : ui::IDOK;
  }
  void MessageDialog(const std::string& text, ui::DialogKind kind) override {
    if (kind == ui::DialogKind::kError) failed_ = true;
    Note(std::string("[") + ui::DialogCaption(kind) + "] " + text);
  }
  ui::ModalResult ShowPicker(ui::TForm2&) override {
    failed_ = true;
    Note("The folder picker cannot be shown without a window.");
    return ui::ModalResult::kCancel;
  }
  void ProcessMessages() override { Follow(); }
  void Invalidate() override {}
  ui::ScreenSize VirtualScreen() override { return {1024, 768}; }
  int PixelsPerInch() override { return 96; }

  // The log list whose new lines are copied into the log, or none.
  void Watch(const ui::TListBox* list) {
    Follow();
    list_ = list;
    copied_ = 0;
  }
  void Note(const std::string& line) {
    Follow();
    lines_.push_back(line);
  }
  void Fail(const std::string& line) {
    failed_ = true;
    Note(line);
  }
  bool Failed() const { return failed_; }
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void Follow() {
    if (list_ == nullptr) return;
    const int count = list_->Items.Count();
    if (count < copied_) copied_ = 0;  // the list was emptied
    for (; copied_ < count; ++copied_) lines_.push_back(list_->Items[copied_]);
  }

  const ui::TListBox* list_ = nullptr;
  int copied_ = 0;
  std::vector<std::string> lines_;
  bool failed_ = false;
};

// Lines end with CR LF; a message's own line breaks (CR) become CR LF too.
std::string LogText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\r' && (i + 1 == line.size() || line[i + 1] != '\n')) {
        text += "\r\n";
      } else {
        text += line[i];
      }
    }
    text += "\r\n";
  }
  return text;
}

std::uint32_t WriteLog(const std::string& path, const std::string& text) {
  auto file = plat::File::Open(path, plat::OpenMode::kCreate);
  if (!file.ok()) return file.error;
  for (std::size_t done = 0; done < text.size();) {
    const auto put = plat::WriteFile(file.value().get(), text.data() + done, text.size() - done);
    if (!put.ok()) return put.error;
    if (put.value() == 0) return plat::kDiskFull;
    done += put.value();
  }
  return file.value().close();
}

// The wizard walked with its start values, as a user who only presses "Pokračovat" would,
// with the home folder of /D= as the first destination; then the finish button.
void Install(TForm1& form, const CommandLine& options) {
  form.Click(form.BitBtn5);
  if (!options.folder.empty()) form.Directory.Items.Put(0, NormalizePath(options.folder));
  form.ChooseDirectory(0);
  form.Click(form.BitBtn2);
  form.Click(form.BitBtn8);
  form.Click(form.BitBtn4);
}

}  // namespace

std::string EnterProgramFolder() {
  const auto module = plat::ModuleFileName();
  if (!module.ok()) return "The program's own path is unknown: " + InOutErrorText(module.error);
  std::string folder = module.value().substr(0, module.value().find_last_of('\\') + 1);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();  // not at "C:\"
  if (folder.empty()) return "The program's own path names no folder: " + module.value();
  if (const std::uint32_t code = plat::SetCurrentDirectory(folder); code != plat::kOk) {
    return "Cannot change to the program's folder " + folder + ": " + InOutErrorText(code);
  }
  return std::string();
}

int RunUnattended(const CommandLine& options) {
  SilentUi ui;
  int code = kExitFailure;
  bool ended = false;
  std::string entered;
  if (options.uninstall) entered = EnterProgramFolder();
  if (!entered.empty()) {
    ui.Fail(entered);
  } else {
    code = RunProgram(ui, [&](TForm1& form, ui::TForm2&) {
      form.FormShow();
      ui.Watch(&form.LB1);
      const bool install = form.pages.ActivePageIndex() == kPortal;
      ui.Note(install ? "Vorlex Setup 2.12: install" : "Vorlex Setup 2.12: uninstall");
      if (install) {
        Install(form, options);
      } else {
        form.Click(form.BitBtn11);
      }
      ui.Watch(nullptr);
      ended = form.Closed();
      if (!ended) form.Close();
      return 0;
    });
  }
  if (code == 0 && (!ended || ui.Failed())) code = kExitFailure;
  ui.Note(code == 0 ? "Done (exit code 0)." : "Failed (exit code " + std::to_string(code) + ").");

  std::string log = options.log;
  if (log.empty()) {
    const auto temp = plat::TempPath();
    if (!temp.ok()) return kExitFailure;
    log = NormalizePath(temp.value() + "\\" + kLogName);
  }
  if (WriteLog(log, LogText(ui.Lines())) != plat::kOk) return kExitFailure;
  return code;
}

int RunCommandLine(const ParsedCommandLine& parsed, ui::UiService& boxes, const MessageLoop& loop) {
  if (!parsed.ok()) {
    boxes.MessageBox(UsageText(parsed.error), kBoxCaption, ui::MB_ICONERROR | ui::MB_OK);
    return kExitUsage;
  }
  if (parsed.options.silent) return RunUnattended(parsed.options);
  if (parsed.options.uninstall) {
    if (const std::string failed = EnterProgramFolder(); !failed.empty()) {
      boxes.MessageBox(failed, kBoxCaption, ui::MB_ICONERROR | ui::MB_OK);
      return kExitFailure;
    }
  }
  return RunProgram(boxes, loop);
}

}  // namespace setup
