// Small pictures drawn in code: the glyphs of the buttons, the pictures of pages 1 and 2 and
// the icons of the message boxes.
#pragma once

#include "ui/controls.h"

namespace ui::fltk {

// A 16 x 16 button glyph with its top left corner at (x, y); grey when `enabled` is false.
void DrawGlyph(TGlyph glyph, int x, int y, bool enabled);

enum class Icon { kNone, kError, kInformation, kQuestion, kWarning };

// A 32 x 32 message box icon with its top left corner at (x, y).
void DrawIcon(Icon icon, int x, int y);

// An image's picture with its top left corner at (x, y): an open folder (34 x 29) or a
// program icon on a screen (32 x 32).
void DrawPicture(TPicture picture, int x, int y);

}  // namespace ui::fltk
