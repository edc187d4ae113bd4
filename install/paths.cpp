#include "install/paths.h"

#include "platform/files.h"

namespace setup {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The short-name call works on a 256-character buffer (255 and the terminating zero) and
// writes into one of 255.
constexpr std::size_t kShortPathInput = 255;
constexpr std::size_t kShortPathOutput = 255;

}  // namespace

std::string NormalizePath(const std::string& path) {
  std::string result;
  result.reserve(path.size());
  for (char c : path) {
    if (c == '\\' && !result.empty() && result.back() == '\\') continue;
    result.push_back(c);
  }
  return result;
}

void StripLeadingBlanks(std::string& text) {
  std::size_t cut = 0;
  while (text.size() - cut > 1 && IsBlank(text[cut])) ++cut;
  text.erase(0, cut);
}

void StripTrailingBlanks(std::string& text) {
  std::size_t keep = text.size();
  while (keep > 1 && IsBlank(text[keep - 1])) --keep;
  text.resize(keep);
}

void StripBlanks(std::string& text) {
  StripLeadingBlanks(text);
  StripTrailingBlanks(text);
}

std::string ShortPathOf(const std::string& path) {
  // A zero byte ends the text the system sees; a longer path would be cut, and a cut path
  // names another folder.
  if (path.size() > kShortPathInput || path.find('\0') != std::string::npos) return path;
  auto shortPath = plat::ShortPathName(path);
  if (!shortPath.ok()) return path;
  std::string text = shortPath.value.substr(0, shortPath.value.find('\0'));
  if (text.empty() || text.size() >= kShortPathOutput) return path;
  return text;
}

}  // namespace setup
