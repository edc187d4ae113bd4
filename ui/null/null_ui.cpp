#include "ui/null/null_ui.h"

namespace ui {

int NullUi::MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  const std::uint32_t buttons = flags & 0x0Fu;
  int answer = IDOK;
  if (buttons != MB_OK) {
    if (answers_.empty()) throw ScriptExhausted{"message box: " + text};
    answer = answers_.front();
    answers_.pop_front();
  }
  shown_.push_back({Shown::Kind::kMessageBox, text, caption, flags, answer});
  return answer;
}

void NullUi::MessageDialog(const std::string& text, DialogKind kind) {
  shown_.push_back({Shown::Kind::kMessageDialog, text, DialogCaption(kind), 0, IDOK});
}

ModalResult NullUi::ShowPicker(TForm2& picker) {
  if (picks_.empty()) throw ScriptExhausted{"picker"};
  const Pick pick = picks_.front();
  picks_.pop_front();
  if (!pick.folder.empty()) picker.dirtreeChange(pick.folder);
  picker.Result = pick.result;
  shown_.push_back({Shown::Kind::kPicker, picker.dirtree.Directory, picker.Caption, 0,
                    static_cast<int>(pick.result)});
  return pick.result;
}

}  // namespace ui
