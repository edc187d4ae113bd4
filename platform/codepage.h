// The one table of code page 1250: conversions between the program's 8-bit texts and the
// host's UTF-8 (POSIX file names, the FLTK view) or UTF-16 (the Win32 view, link names).
#pragma once

#include <string>
#include <string_view>

namespace plat {

std::string Cp1250ToUtf8(std::string_view text);
// Characters with no 1250 byte become '?'; malformed UTF-8 bytes too.
std::string Utf8ToCp1250(std::string_view text);
// Converts exactly: false (and `out` unspecified) when the text is not valid UTF-8 or holds a
// character 1250 has no byte for; `malformed` tells which.
bool Utf8ToCp1250Exact(std::string_view text, std::string& out, bool& malformed);
std::u16string Cp1250ToUtf16(std::string_view text);
std::string Utf16ToCp1250(std::u16string_view text);

}  // namespace plat
