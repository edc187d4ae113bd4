#include "app/program.h"

#include <exception>
#include <memory>

#include "texts/error.h"

namespace setup {

int RunProgram(ui::UiService& ui, const MessageLoop& loop) {
  std::unique_ptr<TForm1> form;
  try {
    form = std::make_unique<TForm1>(ui);
  } catch (const std::exception& error) {
    ui.MessageBox(ErrorReportText(error.what()), kBoxCaption, ui::MB_ICONERROR | ui::MB_OK);
    return 1;
  }
  if (form->FormCreate() == StartOutcome::kAlreadyRunning) return kExitAlreadyRunning;

  ui::TForm2 picker(form->SourceFolder);
  form->Form2 = &picker;
  const int exitCode = loop(*form, picker);
  form->FormDestroy();
  form->Form2 = nullptr;
  return exitCode;
}

}  // namespace setup
