// Message boxes as modal windows of the view's own, so that caption, icon, buttons and the
// default answer are exactly those asked for. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace ui::fltk {

// Shows a box with `text` (each CR or LF breaks the line), `caption`, and the icon and
// buttons of the MB_* `flags`; returns the ID* answer. The first button is the default
// unless MB_DEFBUTTON2 asks for the second. Escape answers IDCANCEL when there is a Cancel
// button, IDOK when OK is the only button, and does nothing otherwise.
int ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t flags);

}  // namespace ui::fltk
