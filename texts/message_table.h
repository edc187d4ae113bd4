// The message table: the 32 lines from which every run-time text is read by index. The table
// lives as the lines of the hidden memo Memo6 of the main window, so setup.ini overrides it
// like any other list of lines; these are its built-in lines and the reader over it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace setup {

inline constexpr std::size_t kBuiltInMessageCount = 32;

// The built-in lines, code page 1250, every leading and trailing blank in place.
const std::vector<std::string>& BuiltInMessageLines();

// Line `index` of `lines`; the empty text when `index` is at or past the end.
std::string MessageLine(std::span<const std::string> lines, std::size_t index);

}  // namespace setup
