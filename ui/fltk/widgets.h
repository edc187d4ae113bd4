// The FLTK widgets that stand for the setup's controls where FLTK has no exact match. Every
// text handed to them is UTF-8 already: the views convert from code page 1250 at their edge.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Widget.H>

#include <functional>
#include <string>
#include <vector>

#include "ui/fltk/glyphs.h"

namespace ui::fltk {

// The pixel size of the controls' text. The window's font is MS Sans Serif 8 point, a face
// whose letters are narrower than Arial's: Liberation Sans (Arial's metric twin, the face the
// view draws with) matches its line widths at 10 pixels, one less than 8 point at 96 dpi.
inline constexpr int kControlTextSize = 10;

// The face and pixel size of a control's font.
struct FontSpec {
  int face = 0;  // Fl_Font
  int size = kControlTextSize;
  unsigned color = 0;  // Fl_Color
};

// A label: one line of text; sized by its text unless it has a fixed size. A transparent
// label draws only its text, over whatever its parent painted. A new text has the window
// repaint the old rectangle first, so a shorter text leaves nothing of the longer one.
class LabelWidget : public Fl_Widget {
 public:
  LabelWidget(int x, int y, int w, int h, FontSpec font, bool transparent, bool centred);
  void SetText(const std::string& text);
  const std::string& Text() const { return text_; }
  const FontSpec& Font() const { return font_; }
  void draw() override;

 private:
  void Fit();
  std::string text_;
  FontSpec font_;
  bool transparent_;
  bool centred_;
  bool autoSize_;
};

// A push button with a small picture left of its caption. `&` marks an accelerator as on
// Windows: it is not shown, and "&&" shows one "&".
class GlyphButton : public Fl_Button {
 public:
  GlyphButton(int x, int y, int w, int h, TGlyph glyph);
  void SetCaption(const std::string& caption);
  const std::string& Caption() const { return caption_; }
  // The width that the picture and the caption take together.
  int ContentWidth() const;
  void draw() override;

 private:
  TGlyph glyph_;
  std::string caption_;
};

// A list whose rows carry check boxes. A click on a row's box (or the space key on the
// focused row) asks `onToggle` to tick or untick it; a click elsewhere on a row selects it
// and calls `onClick`. The check states are read from `checked` when drawing.
class CheckList : public Fl_Widget {
 public:
  CheckList(int x, int y, int w, int h);
  void SetItems(const std::vector<std::string>& items);
  const std::vector<std::string>& Items() const { return items_; }
  // The width left for an item's text beside its check box.
  int TextWidth() const;
  std::function<void(int)> onToggle;
  std::function<void()> onClick;
  std::function<bool(int)> checked;
  int handle(int event) override;
  void draw() override;

  static constexpr int kRowHeight = 13;
  static constexpr int kBoxSize = 13;

 private:
  int RowAt(int y) const;
  std::vector<std::string> items_;
  int selected_ = -1;
};

// An image's picture drawn in code, clipped to its box.
class PictureBox : public Fl_Widget {
 public:
  PictureBox(int x, int y, int w, int h, TPicture picture);
  void draw() override;

 private:
  TPicture picture_;
};

// A caption with Windows accelerator marks removed ("&x" shows "x", "&&" shows "&").
std::string WithoutAccelerators(const std::string& caption);

}  // namespace ui::fltk
