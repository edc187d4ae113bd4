#include "ui/fltk/fltk_ui.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/x.H>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ui/fltk/main_view.h"
#include "ui/fltk/message_box.h"
#include "ui/fltk/picker_view.h"
#include "ui/fltk/text.h"

namespace ui::fltk {

bool OpenDisplay(std::string& why) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    why = name != nullptr && *name != '\0'
              ? "cannot open the X display \"" + std::string(name) + "\""
              : std::string("no X display (DISPLAY is not set)");
    return false;
  }
  fl_open_display(display);
  return true;
}

FltkUi::FltkUi() {
  // The window's faces, by their font configuration names: Liberation Sans has Arial's
  // metrics, so the title (Arial bold) and every control text (MS Sans Serif, drawn one
  // pixel in eleven smaller) take the room they were laid out for. scripts/install-deps.sh
  // installs it (fonts-liberation2).
  Fl::set_font(FL_HELVETICA, " Liberation Sans");
  Fl::set_font(FL_HELVETICA_BOLD, "BLiberation Sans");
  Fl::background(212, 208, 200);
  Fl::visible_focus(1);
}

FltkUi::~FltkUi() = default;

int FltkUi::MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  // The window behind the box shows the controls as they are now.
  if (main_) main_->Sync();
  const int answer = ShowMessageBox(U(text), U(caption), flags);
  if (main_) main_->Sync();
  return answer;
}

ModalResult FltkUi::ShowPicker(TForm2& picker) {
  if (!picker_ || pickerForm_ != &picker) {
    picker_ = std::make_unique<PickerView>(picker);
    pickerForm_ = &picker;
  }
  const ModalResult result = picker_->ShowModal();
  if (main_) main_->Sync();
  return result;
}

void FltkUi::ProcessMessages() {
  if (main_) main_->Sync();
  Fl::check();
}

void FltkUi::Invalidate() {
  if (main_) main_->Sync();
}

ScreenSize FltkUi::VirtualScreen() {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (int n = 0; n < Fl::screen_count(); ++n) {
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_xywh(x, y, w, h, n);
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x + w);
    bottom = std::max(bottom, y + h);
  }
  if (left > right || top > bottom) return {};
  return {right - left, bottom - top};
}

int FltkUi::PixelsPerInch() { return 96; }

std::optional<WindowPlacementInfo> FltkUi::MainWindowPlacement() {
  if (!main_) return std::nullopt;
  return main_->Placement();
}

void FltkUi::Open(setup::TForm1& form, TForm2& picker) {
  main_ = std::make_unique<MainView>(form);
  if (!picker_ || pickerForm_ != &picker) {
    picker_ = std::make_unique<PickerView>(picker);
    pickerForm_ = &picker;
  }
  main_->Show();
}

void FltkUi::Shut() {
  if (main_) main_->Hide();
  main_.reset();
  picker_.reset();
  pickerForm_ = nullptr;
}

Fl_Window* FltkUi::PickerWindow() const { return picker_ ? picker_->Window() : nullptr; }

int FltkUi::Run(setup::TForm1& form, TForm2& picker) {
  Open(form, picker);
  while (!form.Closed()) Fl::wait();
  // The windows go with the loop; what the form's destruction still shows stands alone.
  Shut();
  return 0;
}

}  // namespace ui::fltk
