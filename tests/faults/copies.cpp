#include "copies.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/form1.h"
#include "app/program.h"
#include "platform/files.h"
#include "platform/services.h"
#include "ui/null/null_ui.h"

namespace setup::faults {

namespace {

void Append(const std::string& marker, const std::string& line) {
  const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string text = line + "\n";
  if (write(fd, text.data(), text.size()) < 0) {
    // The parent finds the line missing and fails.
  }
  close(fd);
}

// Sleeps at every message pump, message box and message dialog. The uninstall run gives up the lock
// right after its final message, so its end is marked there; the install run holds the lock
// to the program's end.
class SlowUi : public ui::NullUi {
 public:
  void ProcessMessages() override {
    NullUi::ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override {
    // The uninstall run pumps no messages and the install's extraction is quick: their boxes
    // are where they last, long enough for several copies to start under the sanitizers.
    Linger();
    if (form != nullptr && text == form->MessageLine(Msg::kUninstalled)) End();
    return NullUi::MessageBox(text, caption, flags);
  }
  void MessageDialog(const std::string& text, ui::DialogKind kind) override {
    Linger();
    NullUi::MessageDialog(text, kind);
  }
  void Linger() const {
    if (form != nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(4000));
  }
  void End() {
    if (!ended) Append(marker, "end " + std::to_string(getpid()));
    ended = true;
  }
  TForm1* form = nullptr;
  std::string marker;
  bool ended = false;
};

// The batch is not started: the copies share one prefix, and the test looks only at the runs.
std::uint32_t NoBatch(const std::string&) { return 33; }

}  // namespace

int RunCopy(const std::string& folder, const std::string& marker) {
  plat::Services table = plat::services();
  table.startHidden = &NoBatch;
  plat::ScopedServices scope(table);
  if (plat::SetCurrentDirectory(folder) != plat::kOk) return 90;
  SlowUi ui;
  ui.marker = marker;
  return RunProgram(ui, [&](TForm1& form, ui::TForm2&) {
    ui.form = &form;
    form.FormShow();
    Append(marker, "start " + std::to_string(getpid()));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (form.pages.ActivePageIndex() == kPortal) {
      form.Click(form.BitBtn5);
      form.Click(form.BitBtn2);
      form.Click(form.BitBtn8);
      form.Click(form.BitBtn4);
    } else {
      ui.QueueAnswer(ui::IDYES);
      form.Click(form.BitBtn11);
    }
    ui.End();
    ui.form = nullptr;
    return 0;
  });
}

}  // namespace setup::faults
