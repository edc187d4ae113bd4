#include "install/paths.h"

#include "platform/files.h"

namespace setup {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The short-name call works on a 256-character buffer (255 and the terminating zero) and
// writes into one of 255.
constexpr std::size_t kShortPathInput = 255;
constexpr std::size_t kShortPathOutput = 255;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The name before its first dot, without the blanks before that dot, in upper case: what the
// system compares with its device names.
std::string DeviceStem(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && IsBlank(stem.back())) stem.pop_back();
  for (char& c : stem) c = UpperAscii(c);
  return stem;
}

bool IsDeviceName(std::string_view name) {
  const std::string stem = DeviceStem(name);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (stem == device) return true;
  }
  if (stem.size() != 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) {
    return false;
  }
  // The digits, and the superscript one, two and three of code page 1252 that the system
  // also takes as device numbers.
  const auto last = static_cast<unsigned char>(stem[3]);
  return (last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3;
}

// The components of `path` split at both separators, empty ones dropped; nothing when one
// is not a plain name.
std::optional<std::string> PlainComponents(std::string_view path) {
  std::string joined;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view part = path.substr(at, end - at);
    if (!part.empty()) {
      if (!IsPlainName(part)) return std::nullopt;
      joined += '\\';
      joined += part;
    }
    at = end + 1;
  }
  return joined;
}

}  // namespace

bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view("\\/:<>\"|?*").find(c) != std::string_view::npos) {
      return false;
    }
  }
  if (name.back() == '.' || IsBlank(name.back())) return false;
  return !IsDeviceName(name);
}

std::optional<std::string> ConfinedSubpath(const std::string& relative) {
  return PlainComponents(relative);
}

std::optional<std::string> ConfinedAbsolute(const std::string& path) {
  const bool drive = path.size() >= 3 && UpperAscii(path[0]) >= 'A' && UpperAscii(path[0]) <= 'Z' &&
                     path[1] == ':' && IsSeparator(path[2]);
  if (!drive) return std::nullopt;
  auto rest = PlainComponents(std::string_view(path).substr(2));
  if (!rest) return std::nullopt;
  return path.substr(0, 2) + (rest->empty() ? std::string("\\") : *rest);
}

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
  std::string text = shortPath.value().substr(0, shortPath.value().find('\0'));
  if (text.empty() || text.size() >= kShortPathOutput) return path;
  return text;
}

}  // namespace setup
