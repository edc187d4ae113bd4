// Small pictures drawn in code: the glyphs of the buttons, the pictures of pages 1 and 2 and
// the icons of the message boxes.
#pragma once

namespace ui::fltk {

enum class Glyph { kNone, kNext, kBack, kCancel, kFinish, kUninstall, kOK };

// A 16 x 16 button glyph with its top left corner at (x, y); grey when `enabled` is false.
void DrawGlyph(Glyph glyph, int x, int y, bool enabled);

enum class Icon { kNone, kError, kInformation, kQuestion, kWarning };

// A 32 x 32 message box icon with its top left corner at (x, y).
void DrawIcon(Icon icon, int x, int y);

// Page 1's picture (34 x 29): an open folder. Page 2's picture (32 x 32): a program icon on a
// screen.
void DrawFolderPicture(int x, int y);
void DrawProgramPicture(int x, int y);

}  // namespace ui::fltk
