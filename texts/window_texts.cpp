#include "texts/window_texts.h"

#include "platform/codepage.h"

namespace setup {

std::string Cp1250(std::string_view utf8) { return plat::Utf8ToCp1250(utf8); }

std::vector<std::string> Cp1250Lines(std::span<const char* const> utf8) {
  std::vector<std::string> lines;
  lines.reserve(utf8.size());
  for (const char* line : utf8) lines.push_back(Cp1250(line));
  return lines;
}

}  // namespace setup
