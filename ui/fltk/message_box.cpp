#include "ui/fltk/message_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/fltk/glyphs.h"
#include "ui/ui_service.h"

namespace ui::fltk {

namespace {

constexpr std::uint32_t kButtonMask = 0x0Fu;
constexpr std::uint32_t kIconMask = 0xF0u;
constexpr std::uint32_t kDefButton2 = 0x100u;
constexpr int kFontSize = 12;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMaxTextWidth = 520;

struct Choice {
  const char* label;
  int answer;
};

std::vector<Choice> ChoicesOf(std::uint32_t flags) {
  switch (flags & kButtonMask) {
    case MB_OKCANCEL:
      return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_YESNO:
      return {{"&Yes", IDYES}, {"&No", IDNO}};
    default:
      return {{"OK", IDOK}};
  }
}

Icon IconOf(std::uint32_t flags) {
  switch (flags & kIconMask) {
    case MB_ICONERROR:
      return Icon::kError;
    case MB_ICONQUESTION:
      return Icon::kQuestion;
    case MB_ICONEXCLAMATION:
      return Icon::kWarning;
    case MB_ICONINFORMATION:
      return Icon::kInformation;
    default:
      return Icon::kNone;
  }
}

// Windows breaks message box lines at CR, LF and CR LF.
std::string Lines(const std::string& text) {
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

class TextArea : public Fl_Widget {
 public:
  TextArea(int x, int y, int w, int h, std::string text)
      : Fl_Widget(x, y, w, h), text_(std::move(text)) {}
  void draw() override {
    fl_font(FL_HELVETICA, kFontSize);
    fl_color(FL_BLACK);
    fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_WRAP,
            nullptr, 0);
  }

 private:
  std::string text_;
};

class IconArea : public Fl_Widget {
 public:
  IconArea(int x, int y, Icon icon) : Fl_Widget(x, y, kIconSize, kIconSize), icon_(icon) {}
  void draw() override { DrawIcon(icon_, x(), y()); }

 private:
  Icon icon_;
};

class BoxWindow : public Fl_Double_Window {
 public:
  BoxWindow(int w, int h, const char* caption) : Fl_Double_Window(w, h, caption) {}
  std::vector<std::pair<Fl_Button*, int>> buttons;
  int answer = 0;
  int escapeAnswer = 0;

  int handle(int event) override {
    if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
      const int key = Fl::event_key();
      if (key == FL_Enter || key == FL_KP_Enter) {
        for (auto& [button, value] : buttons) {
          if (Fl::focus() == button) answer = value;
        }
        return 1;
      }
      if (key == FL_Escape) {
        if (escapeAnswer != 0) answer = escapeAnswer;
        return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }
};

}  // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  const std::string lines = Lines(text);
  const std::vector<Choice> choices = ChoicesOf(flags);
  const Icon icon = IconOf(flags);

  fl_font(FL_HELVETICA, kFontSize);
  int textWidth = 0, textHeight = 0;
  fl_measure(lines.c_str(), textWidth, textHeight, 0);
  if (textWidth > kMaxTextWidth) {
    textWidth = kMaxTextWidth;
    textHeight = 0;
    fl_measure(lines.c_str(), textWidth, textHeight, 0);
  }
  const int iconSpace = icon == Icon::kNone ? 0 : kIconSize + kMargin;
  const int buttonsWidth =
      static_cast<int>(choices.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
  const int width =
      std::max({kMargin + iconSpace + textWidth + kMargin * 2, buttonsWidth + kMargin * 2, 180});
  const int bodyHeight = std::max(textHeight, icon == Icon::kNone ? 0 : kIconSize);
  const int height = kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

  Fl_Group::current(nullptr);
  auto window = std::make_unique<BoxWindow>(width, height, caption.c_str());
  window->copy_label(caption.c_str());
  window->xclass("VorlexSetupMessage");
  if (icon != Icon::kNone) new IconArea(kMargin, kMargin, icon);
  const int textTop = kMargin + (bodyHeight - textHeight) / 2;
  new TextArea(kMargin + iconSpace, textTop, textWidth + kMargin, textHeight, lines);
  int left = (width - buttonsWidth) / 2;
  for (const Choice& choice : choices) {
    auto* button = new Fl_Button(left, height - kMargin - kButtonHeight, kButtonWidth,
                                 kButtonHeight, choice.label);
    button->labelsize(kFontSize);
    button->callback(
        [](Fl_Widget* widget, void* value) {
          static_cast<BoxWindow*>(widget->window())->answer =
              static_cast<int>(reinterpret_cast<std::intptr_t>(value));
        },
        reinterpret_cast<void*>(static_cast<std::intptr_t>(choice.answer)));
    window->buttons.emplace_back(button, choice.answer);
    left += kButtonWidth + kButtonGap;
  }
  window->end();
  const std::uint32_t buttonSet = flags & kButtonMask;
  window->escapeAnswer = buttonSet == MB_OKCANCEL ? IDCANCEL : buttonSet == MB_OK ? IDOK : 0;
  // The window's close box answers as Escape does; a box without it keeps waiting.
  window->callback([](Fl_Widget* widget, void*) {
    auto* box = static_cast<BoxWindow*>(widget);
    if (box->escapeAnswer != 0) box->answer = box->escapeAnswer;
  });
  window->set_modal();
  int screenX = 0, screenY = 0, screenW = 0, screenH = 0;
  Fl::screen_xywh(screenX, screenY, screenW, screenH);
  window->position(screenX + (screenW - width) / 2, screenY + (screenH - height) / 2);
  window->show();
  const std::size_t defaultIndex = (flags & kDefButton2) != 0 && choices.size() > 1 ? 1 : 0;
  window->buttons[defaultIndex].first->take_focus();
  while (window->answer == 0 && window->shown()) Fl::wait();
  int answer = window->answer != 0 ? window->answer : window->escapeAnswer;
  if (answer == 0) answer = choices.back().answer;
  window->hide();
  Fl::flush();
  return answer;
}

}  // namespace ui::fltk
