#include "ui/fltk/glyphs.h"

#include <FL/Enumerations.H>
#include <FL/fl_draw.H>

namespace ui::fltk {

namespace {

Fl_Color Rgb(unsigned char r, unsigned char g, unsigned char b) { return fl_rgb_color(r, g, b); }

const Fl_Color kGrey = Rgb(160, 160, 160);
const Fl_Color kGreyShadow = Rgb(255, 255, 255);

void Arrow(int x, int y, bool right, Fl_Color color) {
  // A shaft from x+2 to x+13 and a head of 6 pixels, pointing left or right.
  fl_color(color);
  if (right) {
    fl_rectf(x + 2, y + 6, 7, 4);
    fl_polygon(x + 8, y + 2, x + 14, y + 8, x + 8, y + 14);
  } else {
    fl_rectf(x + 7, y + 6, 7, 4);
    fl_polygon(x + 8, y + 2, x + 2, y + 8, x + 8, y + 14);
  }
}

void Cross(int x, int y, Fl_Color color) {
  fl_color(color);
  fl_line_style(FL_SOLID | FL_CAP_ROUND, 3);
  fl_line(x + 3, y + 3, x + 12, y + 12);
  fl_line(x + 12, y + 3, x + 3, y + 12);
  fl_line_style(0);
}

void Check(int x, int y, Fl_Color color) {
  fl_color(color);
  fl_line_style(FL_SOLID | FL_CAP_ROUND | FL_JOIN_ROUND, 3);
  fl_line(x + 2, y + 8, x + 6, y + 12, x + 14, y + 3);
  fl_line_style(0);
}

void Bin(int x, int y, Fl_Color body, Fl_Color lines) {
  fl_color(body);
  fl_rectf(x + 4, y + 5, 9, 10);
  fl_rectf(x + 2, y + 3, 13, 2);
  fl_rectf(x + 6, y + 1, 5, 2);
  fl_color(lines);
  fl_yxline(x + 6, y + 7, y + 12);
  fl_yxline(x + 8, y + 7, y + 12);
  fl_yxline(x + 10, y + 7, y + 12);
}

void Draw(TGlyph glyph, int x, int y, bool enabled) {
  const Fl_Color green = enabled ? Rgb(0, 128, 0) : kGrey;
  const Fl_Color red = enabled ? Rgb(192, 0, 0) : kGrey;
  switch (glyph) {
    case TGlyph::kNone:
      break;
    case TGlyph::kNext:
      Arrow(x, y, true, green);
      break;
    case TGlyph::kBack:
      Arrow(x, y, false, green);
      break;
    case TGlyph::kCancel:
      Cross(x, y, red);
      break;
    case TGlyph::kOK:
      Check(x, y, green);
      break;
    case TGlyph::kUninstall:
      Bin(x, y, enabled ? Rgb(96, 96, 128) : kGrey, enabled ? Rgb(220, 220, 235) : kGreyShadow);
      break;
  }
}

void Disc(int x, int y, Fl_Color fill, Fl_Color rim) {
  fl_color(fill);
  fl_pie(x + 1, y + 1, 30, 30, 0, 360);
  fl_color(rim);
  fl_arc(x + 1, y + 1, 30, 30, 0, 360);
}

void DrawFolder(int x, int y) {
  const Fl_Color edge = Rgb(128, 96, 0);
  fl_color(Rgb(232, 188, 64));
  fl_rectf(x + 2, y + 6, 28, 20);
  fl_rectf(x + 2, y + 3, 11, 4);
  fl_color(edge);
  fl_rect(x + 2, y + 6, 28, 20);
  fl_loop(x + 2, y + 6, x + 2, y + 3, x + 12, y + 3, x + 14, y + 6);
  fl_color(Rgb(255, 224, 120));
  fl_polygon(x + 6, y + 12, x + 33, y + 12, x + 29, y + 26, x + 2, y + 26);
  fl_color(edge);
  fl_loop(x + 6, y + 12, x + 33, y + 12, x + 29, y + 26, x + 2, y + 26);
}

void DrawProgram(int x, int y) {
  fl_color(Rgb(64, 64, 64));
  fl_rectf(x + 2, y + 3, 28, 21);
  fl_color(Rgb(0, 0, 200));
  fl_rectf(x + 4, y + 5, 24, 17);
  fl_color(Rgb(0, 255, 0));
  fl_font(FL_HELVETICA_BOLD, 12);
  fl_draw("V", x + 4, y + 5, 24, 17, FL_ALIGN_CENTER, nullptr, 0);
  fl_color(Rgb(96, 96, 96));
  fl_rectf(x + 13, y + 24, 6, 3);
  fl_rectf(x + 8, y + 27, 16, 3);
}

}  // namespace

void DrawGlyph(TGlyph glyph, int x, int y, bool enabled) {
  // A disabled glyph is embossed: a white copy one pixel down and right under the grey one.
  if (!enabled) {
    fl_push_clip(x, y, 17, 17);
    if (glyph == TGlyph::kCancel) Cross(x + 1, y + 1, kGreyShadow);
    if (glyph == TGlyph::kOK) Check(x + 1, y + 1, kGreyShadow);
    if (glyph == TGlyph::kNext || glyph == TGlyph::kBack) {
      Arrow(x + 1, y + 1, glyph == TGlyph::kNext, kGreyShadow);
    }
    fl_pop_clip();
  }
  Draw(glyph, x, y, enabled);
}

void DrawIcon(Icon icon, int x, int y) {
  switch (icon) {
    case Icon::kNone:
      break;
    case Icon::kError:
      Disc(x, y, Rgb(220, 0, 0), Rgb(128, 0, 0));
      fl_color(FL_WHITE);
      fl_line_style(FL_SOLID | FL_CAP_ROUND, 4);
      fl_line(x + 10, y + 10, x + 22, y + 22);
      fl_line(x + 22, y + 10, x + 10, y + 22);
      fl_line_style(0);
      break;
    case Icon::kInformation:
      Disc(x, y, FL_WHITE, Rgb(0, 0, 160));
      fl_color(Rgb(0, 0, 200));
      fl_pie(x + 13, y + 5, 6, 6, 0, 360);
      fl_rectf(x + 13, y + 13, 6, 13);
      fl_rectf(x + 11, y + 13, 4, 2);
      fl_rectf(x + 11, y + 24, 10, 2);
      break;
    case Icon::kQuestion:
      Disc(x, y, FL_WHITE, Rgb(0, 0, 160));
      fl_color(Rgb(0, 0, 200));
      fl_font(FL_HELVETICA_BOLD, 22);
      fl_draw("?", x, y, 32, 32, FL_ALIGN_CENTER, nullptr, 0);
      break;
    case Icon::kWarning:
      fl_color(Rgb(255, 220, 0));
      fl_polygon(x + 16, y + 2, x + 31, y + 29, x + 1, y + 29);
      fl_color(Rgb(96, 64, 0));
      fl_loop(x + 16, y + 2, x + 31, y + 29, x + 1, y + 29);
      fl_color(FL_BLACK);
      fl_rectf(x + 14, y + 10, 4, 11);
      fl_rectf(x + 14, y + 23, 4, 4);
      break;
  }
}

void DrawPicture(TPicture picture, int x, int y) {
  if (picture == TPicture::kFolder) DrawFolder(x, y);
  if (picture == TPicture::kProgram) DrawProgram(x, y);
}

}  // namespace ui::fltk
