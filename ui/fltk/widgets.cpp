#include "ui/fltk/widgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace ui::fltk {

std::string WithoutAccelerators(const std::string& caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

LabelWidget::LabelWidget(int x, int y, int w, int h, FontSpec font, bool transparent, bool centred)
    : Fl_Widget(x, y, w, h),
      font_(font),
      transparent_(transparent),
      centred_(centred),
      autoSize_(w == 0 || h == 0) {
  box(transparent ? FL_NO_BOX : FL_FLAT_BOX);
  Fit();
}

void LabelWidget::SetText(const std::string& text) {
  if (text == text_) return;
  // The pages paint no background of their own: the window repaints the old text's
  // rectangle with everything under it, so a shorter text leaves nothing behind.
  if (Fl_Window* top = window()) top->damage(FL_DAMAGE_ALL, x(), y(), w(), h());
  text_ = text;
  Fit();
  redraw();
}

void LabelWidget::Fit() {
  if (!autoSize_) return;
  fl_font(font_.face, font_.size);
  int width = 0, height = 0;
  fl_measure(text_.c_str(), width, height, 0);
  size(std::max(width, 1), std::max(height, fl_height()));
}

void LabelWidget::draw() {
  if (!transparent_) {
    fl_color(parent() != nullptr ? parent()->color() : color());
    fl_rectf(x(), y(), w(), h());
  }
  fl_font(font_.face, font_.size);
  fl_color(static_cast<Fl_Color>(font_.color));
  const Fl_Align align =
      (centred_ ? FL_ALIGN_CENTER : FL_ALIGN_LEFT) | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
  fl_draw(text_.c_str(), x(), y(), w(), h(), align, nullptr, 0);
}

GlyphButton::GlyphButton(int x, int y, int w, int h, TGlyph glyph)
    : Fl_Button(x, y, w, h), glyph_(glyph) {}

void GlyphButton::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  redraw();
}

namespace {
constexpr int kGlyphSpace = 16 + 4;  // the picture and the gap to the caption
}

int GlyphButton::ContentWidth() const {
  fl_font(FL_HELVETICA, kControlTextSize);
  const std::string shown = WithoutAccelerators(caption_);
  return static_cast<int>(fl_width(shown.c_str())) + (glyph_ == TGlyph::kNone ? 0 : kGlyphSpace);
}

void GlyphButton::draw() {
  const bool down = value() != 0;
  draw_box(down ? FL_DOWN_BOX : FL_UP_BOX, color());
  const std::string shown = WithoutAccelerators(caption_);
  fl_font(FL_HELVETICA, kControlTextSize);
  const int textWidth = static_cast<int>(fl_width(shown.c_str()));
  const int glyphWidth = glyph_ == TGlyph::kNone ? 0 : kGlyphSpace;
  const int shift = down ? 1 : 0;
  const int left = x() + (w() - glyphWidth - textWidth) / 2 + shift;
  const int top = y() + shift;
  if (glyph_ != TGlyph::kNone) DrawGlyph(glyph_, left, top + (h() - 16) / 2, active_r() != 0);
  if (active_r()) {
    fl_color(FL_BLACK);
  } else {
    fl_color(FL_WHITE);
    fl_draw(shown.c_str(), left + glyphWidth + 1, top + 1, textWidth, h(), FL_ALIGN_LEFT, nullptr,
            0);
    fl_color(fl_rgb_color(128, 128, 128));
  }
  fl_draw(shown.c_str(), left + glyphWidth, top, textWidth, h(), FL_ALIGN_LEFT, nullptr, 0);
  if (Fl::focus() == this) draw_focus(FL_UP_BOX, x() + 1, y() + 1, w() - 2, h() - 2);
}

CheckList::CheckList(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {
  box(FL_DOWN_BOX);
  color(FL_WHITE);
}

void CheckList::SetItems(const std::vector<std::string>& items) {
  if (items == items_) return;
  items_ = items;
  if (selected_ >= static_cast<int>(items_.size())) selected_ = -1;
  redraw();
}

int CheckList::TextWidth() const {
  // As draw() places the text: after the box's frame, the check box and two gaps.
  return w() - Fl::box_dw(box()) - 1 - kBoxSize - 3 - 2;
}

int CheckList::RowAt(int ey) const {
  const int row = (ey - y() - Fl::box_dy(box())) / kRowHeight;
  return ey >= y() + Fl::box_dy(box()) && row < static_cast<int>(items_.size()) ? row : -1;
}

int CheckList::handle(int event) {
  switch (event) {
    case FL_PUSH: {
      if (Fl::visible_focus()) take_focus();
      const int row = RowAt(Fl::event_y());
      if (row < 0) return 1;
      selected_ = row;
      redraw();
      const bool onBox = Fl::event_x() < x() + Fl::box_dx(box()) + kBoxSize + 2;
      if (onBox && onToggle) {
        onToggle(row);
      } else if (onClick) {
        onClick();
      }
      return 1;
    }
    case FL_FOCUS:
    case FL_UNFOCUS:
      redraw();
      return 1;
    case FL_KEYBOARD: {
      const int key = Fl::event_key();
      if (key == ' ' && selected_ >= 0 && onToggle) {
        onToggle(selected_);
        return 1;
      }
      if ((key == FL_Up || key == FL_Down) && !items_.empty()) {
        const int last = static_cast<int>(items_.size()) - 1;
        selected_ = std::clamp(selected_ + (key == FL_Up ? -1 : 1), 0, last);
        redraw();
        if (onClick) onClick();
        return 1;
      }
      return 0;
    }
    default:
      return Fl_Widget::handle(event);
  }
}

void CheckList::draw() {
  draw_box();
  const int left = x() + Fl::box_dx(box());
  const int top = y() + Fl::box_dy(box());
  const int width = w() - Fl::box_dw(box());
  fl_push_clip(left, top, width, h() - Fl::box_dh(box()));
  fl_font(FL_HELVETICA, kControlTextSize);
  for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
    const int rowTop = top + row * kRowHeight;
    const int boxLeft = left + 1;
    fl_color(FL_WHITE);
    fl_rectf(boxLeft, rowTop, kBoxSize, kBoxSize);
    fl_color(fl_rgb_color(128, 128, 128));
    fl_rect(boxLeft, rowTop, kBoxSize, kBoxSize);
    if (checked && checked(row)) {
      fl_color(FL_BLACK);
      fl_line_style(FL_SOLID, 2);
      fl_line(boxLeft + 3, rowTop + 6, boxLeft + 5, rowTop + 9, boxLeft + 10, rowTop + 3);
      fl_line_style(0);
    }
    const int textLeft = boxLeft + kBoxSize + 3;
    const bool highlighted = row == selected_ && Fl::focus() == this;
    if (highlighted) {
      fl_color(fl_rgb_color(0, 0, 128));
      fl_rectf(textLeft, rowTop, left + width - textLeft, kRowHeight);
    }
    fl_color(highlighted ? FL_WHITE : FL_BLACK);
    fl_draw(items_[static_cast<std::size_t>(row)].c_str(), textLeft + 2, rowTop,
            left + width - textLeft - 2, kRowHeight, FL_ALIGN_LEFT | FL_ALIGN_CLIP, nullptr, 0);
  }
  fl_pop_clip();
}

PictureBox::PictureBox(int x, int y, int w, int h, TPicture picture)
    : Fl_Widget(x, y, w, h), picture_(picture) {}

void PictureBox::draw() {
  fl_push_clip(x(), y(), w(), h());
  DrawPicture(picture_, x(), y());
  fl_pop_clip();
}

}  // namespace ui::fltk
