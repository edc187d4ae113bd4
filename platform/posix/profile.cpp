// Private-profile INI files of the POSIX body, with the observable behaviour of
// GetPrivateProfileStringA / WritePrivateProfileStringA:
// - a file name without a folder lies in the Windows folder;
// - lines are split at LF; blanks are trimmed at both ends of a line, around a section or
//   key name and before a value; blank lines are dropped; lines before the first section
//   belong to a nameless section; a line without "=" (a comment, say) is a key without a
//   value, which reads as missing; only the first section of a name is read;
// - erasing a section erases every section of that name, so that no stale duplicate comes
//   back in its place;
// - a write that changes something rewrites the whole file normalised: "[section]" and
//   "key=value" lines ended by CRLF, no blank lines; a write that changes nothing leaves the
//   file as it is; bytes are kept as they are (code page 1250 in, the same bytes out);
// - reading removes one pair of matching quotes (" or ') and cuts the value to 2047 bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/body.h"
#include "platform/posix/prefix.h"

namespace plat::posix {
namespace {

constexpr std::size_t kBufferSize = 2048;  // the caller's buffer: 2047 bytes and a zero

struct IniKey {
  std::string name;
  std::optional<std::string> value;
};

struct IniSection {
  std::string name;  // empty for the lines before the first section
  std::vector<IniKey> keys;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string LeadTrimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return std::string(s);
}

std::vector<IniSection> Parse(const std::string& text) {
  std::vector<IniSection> sections(1);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t j = text.find('\n', i);
    if (j == std::string::npos) j = text.size();
    const std::string_view line = Trim(std::string_view(text).substr(i, j - i));
    i = j + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (const auto close = line.rfind(']'); close != std::string_view::npos) {
        sections.push_back({std::string(Trim(line.substr(1, close - 1))), {}});
        continue;
      }
    }
    IniKey key;
    if (const auto eq = line.find('='); eq != std::string_view::npos) {
      key.name = Trim(line.substr(0, eq));
      key.value = std::string(Trim(line.substr(eq + 1)));
    } else {
      key.name = line;
    }
    sections.back().keys.push_back(std::move(key));
  }
  return sections;
}

std::string Format(const std::vector<IniSection>& sections) {
  std::string out;
  for (const auto& s : sections) {
    if (!s.name.empty()) out += "[" + s.name + "]\r\n";
    for (const auto& k : s.keys) {
      out += k.name;
      if (k.value) out += "=" + *k.value;
      out += "\r\n";
    }
  }
  return out;
}

// The host path of a profile file; a bare name lies in the Windows folder.
Result<HostPath> MapProfile(const std::string& file) {
  if (file.find_first_of("\\/:") == std::string::npos) return MapPath("C:\\windows\\" + file);
  return MapPath(file);
}

// The value as the caller's buffer receives it: one pair of matching quotes removed, cut to
// the buffer. An opening quote whose last character differs stays, as does a lone quote.
std::string Unquote(const std::string& value) {
  std::string_view v = value;
  bool quoted = false;
  if (v.size() > 1 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v.remove_prefix(1);
    quoted = true;
  }
  std::string out(v.substr(0, kBufferSize - 1));
  if (quoted && kBufferSize >= v.size() && !out.empty()) out.pop_back();
  return out;
}

std::uint32_t WriteWhole(const std::string& host, const std::string& text) {
  const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return ErrnoToWin32(errno);
  std::uint32_t error = ErrnoToWin32(WriteAll(fd, text.data(), text.size()));
  if (close(fd) != 0 && error == kOk) error = ErrnoToWin32(errno);
  return error;
}

}  // namespace

std::string ProfileGetString(const std::string& section, const std::string& key,
                             const std::string& fallback, const std::string& file) {
  // Trailing blanks of the fallback are dropped, all but its first character.
  std::string def = fallback;
  while (def.size() > 1 && def.back() == ' ') def.pop_back();
  def.resize(std::min(def.size(), kBufferSize - 1));
  auto p = MapProfile(file);
  if (!p.ok() || !p.value().exists) return def;
  auto text = ReadHostFile(p.value().host);
  if (!text.ok()) return def;
  const std::string_view sectionName = Trim(section), keyName = Trim(key);
  for (const auto& s : Parse(text.value())) {
    if (!SameName(s.name, sectionName)) continue;
    for (const auto& k : s.keys) {
      if (SameName(k.name, keyName)) return k.value ? Unquote(*k.value) : def;
    }
    break;
  }
  return def;
}

std::uint32_t ProfileWriteString(const std::string& section, const std::optional<std::string>& key,
                                 const std::optional<std::string>& value, const std::string& file) {
  auto p = MapProfile(file);
  if (!p.ok()) return p.error;
  if (!p.value().parentFound) return kPathNotFound;
  std::string text;
  if (p.value().exists) {
    // Read-only is the owner-write bit; checked here because root would ignore it.
    struct stat st;
    if (stat(p.value().host.c_str(), &st) != 0) return ErrnoToWin32(errno);
    if (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return kAccessDenied;
    auto read = ReadHostFile(p.value().host);
    if (!read.ok()) return read.error;
    text = std::move(read.value());
  }
  auto sections = Parse(text);
  const std::string sectionName(Trim(section));
  bool changed = false;
  if (!key) {
    changed = std::erase_if(sections, [&](const IniSection& s) {
                return !s.name.empty() && SameName(s.name, sectionName);
              }) > 0;
  } else {
    const std::string keyName(Trim(*key));
    IniSection* target = nullptr;
    for (auto& s : sections) {
      if (SameName(s.name, sectionName)) {
        target = &s;
        break;
      }
    }
    if (!value) {
      if (target) {
        changed = std::erase_if(target->keys,
                                [&](const IniKey& k) { return SameName(k.name, keyName); }) > 0;
      }
    } else {
      std::string_view v = *value;
      while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
      // A new section, and the first key made with it, keep the trailing blanks of their
      // names (they read back trimmed), as Wine writes them.
      std::string firstKey;
      if (!target) {
        target = &sections.emplace_back(IniSection{LeadTrimmed(section), {}});
        firstKey = LeadTrimmed(*key);
      }
      IniKey* entry = nullptr;
      for (auto& k : target->keys) {
        if (SameName(k.name, keyName)) {
          entry = &k;
          break;
        }
      }
      if (!entry) {
        target->keys.push_back({firstKey.empty() ? keyName : firstKey, std::string(v)});
        changed = true;
      } else if (entry->value != v) {
        entry->value = std::string(v);
        changed = true;
      }
    }
  }
  if (!changed) return kOk;
  if (!p.value().exists) {
    // A new file needs a writable folder; checked by its owner-write bit, as for files.
    struct stat st;
    const std::string folder = p.value().host.substr(0, p.value().host.find_last_of('/'));
    if (stat(folder.empty() ? "/" : folder.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
      return kAccessDenied;
    }
  }
  const std::uint32_t error = WriteWhole(p.value().host, Format(sections));
  if (error == kOk && !p.value().exists) NoteCreated(p.value(), Created::kEntry);
  return error;
}

}  // namespace plat::posix
