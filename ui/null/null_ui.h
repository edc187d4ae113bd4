// A headless UI service for tests: it answers every modal question from a script (a queue of
// message-box answers and picker results) and records everything shown, in order. A question
// that the script does not answer throws ScriptExhausted, which no handler catches, so a test
// that did not foresee a box fails at once.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "ui/form2.h"
#include "ui/ui_service.h"

namespace ui {

// Thrown when a question comes that the script holds no answer for. Deliberately not a
// std::exception: the handlers' error report must not swallow it.
struct ScriptExhausted {
  std::string question;
};

// One thing the program showed.
struct Shown {
  enum class Kind { kMessageBox, kMessageDialog, kPicker };
  Kind kind = Kind::kMessageBox;
  std::string text;         // message text; for the picker, the folder selected on return
  std::string caption;      // box caption, dialog caption, or the picker's caption
  std::uint32_t flags = 0;  // MB_* flags of a message box
  int answer = 0;           // ID* answer of a message box; ModalResult of the picker
};

class NullUi : public UiService {
 public:
  // The answer to the next message box that offers a choice (MB_YESNO, MB_OKCANCEL). A box
  // with only an OK button is answered IDOK without using the script.
  void QueueAnswer(int answer) { answers_.push_back(answer); }
  // The outcome of the next picker: the folder to select in the tree (empty: keep the
  // tree's selection) and how it is closed.
  void QueuePick(ModalResult result, const std::string& folder = std::string()) {
    picks_.push_back({result, folder});
  }

  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  void MessageDialog(const std::string& text, DialogKind kind) override;
  ModalResult ShowPicker(TForm2& picker) override;
  void ProcessMessages() override { ++processed_; }
  void Invalidate() override { ++invalidated_; }
  ScreenSize VirtualScreen() override { return screen; }
  int PixelsPerInch() override { return pixelsPerInch; }

  ScreenSize screen{1024, 768};
  int pixelsPerInch = 96;

  const std::vector<Shown>& shown() const { return shown_; }
  void ClearShown() { shown_.clear(); }
  int processedMessages() const { return processed_; }
  int invalidated() const { return invalidated_; }
  bool ScriptDone() const { return answers_.empty() && picks_.empty(); }

 private:
  struct Pick {
    ModalResult result;
    std::string folder;
  };
  std::deque<int> answers_;
  std::deque<Pick> picks_;
  std::vector<Shown> shown_;
  int processed_ = 0;
  int invalidated_ = 0;
};

}  // namespace ui
