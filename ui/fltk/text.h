// The view's one conversion of the program's texts (code page 1250) into FLTK's UTF-8.
#pragma once

#include <string>

#include "platform/codepage.h"

namespace ui::fltk {

inline std::string U(const std::string& cp1250) { return plat::Cp1250ToUtf8(cp1250); }

}  // namespace ui::fltk
