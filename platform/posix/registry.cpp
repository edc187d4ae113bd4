// Registry of the POSIX body: one REGEDIT4 text file per hive in the prefix (user.reg for
// HKEY_CURRENT_USER, system.reg for HKEY_LOCAL_MACHINE), read whole for every operation.
// A change is made under an flock on "<hive file>.lock" and written to a temporary file in
// the same folder, flushed to disk and renamed over the hive file, so a crash leaves either
// the old or the new registry, never a mix. Key and value names match without regard to case.
//
// Names holding a line break have no form in this format and are refused (ERROR_INVALID_
// PARAMETER), so that no name can break the file's lines.
//
// A damaged file: every line that does not parse is kept verbatim and written back unchanged,
// so a rewrite never drops what it could not read. An unparsable value line stays with its
// key; an unparsable key header, together with the lines under it, is kept at the end of the
// file rather than being read into the key above it. Such lines read as absent.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/posix/body.h"
#include "platform/posix/prefix.h"

namespace plat::posix {
namespace {

struct NamedValue {
  std::string name;
  RegValue value;
};

struct Node {
  std::string name;
  std::vector<NamedValue> values;
  std::vector<std::string> opaque;  // unparsable value lines, verbatim
  std::vector<std::unique_ptr<Node>> children;

  Node* Child(const std::string& n) const {
    for (const auto& c : children) {
      if (SameName(c->name, n)) return c.get();
    }
    return nullptr;
  }
  Node* AddChild(const std::string& n) {
    auto pos = std::find_if(children.begin(), children.end(), [&](const auto& c) {
      return std::lexicographical_compare(c->name.begin(), c->name.end(), n.begin(), n.end(),
                                          [](char x, char y) {
                                            return static_cast<unsigned char>(FoldCase(x)) <
                                                   static_cast<unsigned char>(FoldCase(y));
                                          }) == false;
    });
    auto node = std::make_unique<Node>();
    node->name = n;
    return children.insert(pos, std::move(node))->get();
  }
};

struct HiveData {
  Node root;
  std::vector<std::string> strays;  // unparsable headers with their lines, verbatim
};

const char* HiveName(Hive hive) {
  return hive == Hive::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}
const char* HiveFile(Hive hive) { return hive == Hive::kCurrentUser ? "user.reg" : "system.reg"; }

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find('\\', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) parts.emplace_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

Node* Find(Node& root, const std::vector<std::string>& path) {
  Node* n = &root;
  for (const auto& part : path) {
    n = n->Child(part);
    if (!n) return nullptr;
  }
  return n;
}

// --- Reading ---------------------------------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted string with \\ and \" escapes starting at s[i]; i moves past the closing quote.
bool ParseQuoted(std::string_view s, std::size_t& i, std::string& out) {
  if (i >= s.size() || s[i] != '"') return false;
  for (++i; i < s.size(); ++i) {
    if (s[i] == '"') {
      ++i;
      return true;
    }
    if (s[i] == '\\') {
      if (++i >= s.size()) return false;
    }
    out += s[i];
  }
  return false;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size()) break;
    if (i + 1 >= s.size()) return false;
    const int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i < s.size()) {
      if (s[i] != ',') return false;
      ++i;
    }
  }
  return true;
}

bool ParseValueLine(std::string_view line, NamedValue& out) {
  std::size_t i = 0;
  if (line.empty()) return false;
  if (line[0] == '@') {
    i = 1;
  } else if (!ParseQuoted(line, i, out.name)) {
    return false;
  }
  if (i >= line.size() || line[i] != '=') return false;
  std::string_view data = line.substr(i + 1);
  if (!data.empty() && data[0] == '"') {
    std::size_t j = 0;
    std::string text;
    if (!ParseQuoted(data, j, text) || j != data.size()) return false;
    out.value = {kRegSz, text + '\0'};
    return true;
  }
  if (data.substr(0, 6) == "dword:") {
    const std::string_view digits = data.substr(6);
    if (digits.size() != 8) return false;
    std::uint32_t v = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    std::string bytes;
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((v >> (8 * k)) & 0xFF);
    out.value = {kRegDword, bytes};
    return true;
  }
  std::uint32_t type = kRegBinary;
  std::string_view bytes;
  if (data.substr(0, 4) == "hex:") {
    bytes = data.substr(4);
  } else if (data.substr(0, 4) == "hex(") {
    const std::size_t close = data.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12) return false;
    type = 0;
    for (char c : data.substr(4, close - 4)) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      type = type * 16 + static_cast<std::uint32_t>(d);
    }
    bytes = data.substr(close + 2);
  } else {
    return false;
  }
  std::string raw;
  if (!ParseHexBytes(bytes, raw)) return false;
  out.value = {type, raw};
  return true;
}

// The key path of a header line "[HIVE\a\b]", or false when it is not one of this hive.
bool ParseHeader(std::string_view line, Hive hive, std::vector<std::string>& path) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  const std::string_view inner = line.substr(1, line.size() - 2);
  const std::string_view name = HiveName(hive);
  if (inner.size() < name.size() || !SameName(inner.substr(0, name.size()), name)) return false;
  if (inner.size() > name.size() && inner[name.size()] != '\\') return false;
  path = SplitKeyPath(inner.substr(name.size()));
  return true;
}

HiveData Parse(const std::string& text, Hive hive) {
  HiveData data;
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t j = text.find('\n', i);
    if (j == std::string::npos) j = text.size();
    std::string line = text.substr(i, j - i);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    i = j + 1;
  }
  Node* current = nullptr;  // nullptr: outside any valid key (lines go to strays)
  bool signature = false;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::string line = lines[k];
    if (line.empty()) continue;
    if (!signature && (line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00")) {
      signature = true;
      continue;
    }
    if (line[0] == '[') {
      if (std::vector<std::string> path; ParseHeader(line, hive, path)) {
        current = &data.root;
        for (const auto& part : path) {
          Node* child = current->Child(part);
          current = child ? child : current->AddChild(part);
        }
      } else {
        current = nullptr;
        data.strays.push_back(line);
      }
      continue;
    }
    if (!current) {
      data.strays.push_back(line);
      continue;
    }
    // A hex value may continue over lines that end with a backslash.
    std::string joined = line;
    std::size_t last = k;
    while (!joined.empty() && joined.back() == '\\' && joined.find("=hex") != std::string::npos &&
           last + 1 < lines.size()) {
      joined.pop_back();
      std::string_view next = lines[++last];
      while (!next.empty() && (next[0] == ' ' || next[0] == '\t')) next.remove_prefix(1);
      joined += next;
    }
    NamedValue v;
    if (ParseValueLine(joined, v)) {
      k = last;
      auto it = std::find_if(current->values.begin(), current->values.end(),
                             [&](const NamedValue& e) { return SameName(e.name, v.name); });
      if (it != current->values.end()) {
        it->value = v.value;
      } else {
        current->values.push_back(std::move(v));
      }
    } else {
      current->opaque.push_back(line);
    }
  }
  return data;
}

// --- Writing ---------------------------------------------------------------------------

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool PlainString(const RegValue& v) {
  if (v.type != kRegSz || v.data.empty() || v.data.back() != '\0') return false;
  return v.data.find_first_of(std::string("\0\r\n", 3)) == v.data.size() - 1;
}

std::string FormatValue(const NamedValue& v) {
  std::string line = v.name.empty() ? "@" : Quote(v.name);
  line += '=';
  if (PlainString(v.value)) return line + Quote(v.value.data.substr(0, v.value.data.size() - 1));
  if (v.value.type == kRegDword && v.value.data.size() == 4) {
    std::uint32_t d = 0;
    for (int k = 3; k >= 0; --k) d = d * 256 + static_cast<unsigned char>(v.value.data[k]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", d);
    return line + buf;
  }
  char buf[24];
  if (v.value.type == kRegBinary) {
    line += "hex:";
  } else {
    std::snprintf(buf, sizeof buf, "hex(%x):", v.value.type);
    line += buf;
  }
  for (std::size_t i = 0; i < v.value.data.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x",
                  static_cast<unsigned char>(v.value.data[i]));
    line += buf;
  }
  return line;
}

void FormatNode(const Node& n, const std::string& path, std::string& out) {
  out += "[" + path + "]\r\n";
  for (const auto& v : n.values) out += FormatValue(v) + "\r\n";
  for (const auto& o : n.opaque) out += o + "\r\n";
  out += "\r\n";
  for (const auto& c : n.children) FormatNode(*c, path + "\\" + c->name, out);
}

std::string Format(const HiveData& data, Hive hive) {
  std::string out = "REGEDIT4\r\n\r\n";
  if (!data.root.values.empty() || !data.root.opaque.empty()) {
    FormatNode(data.root, HiveName(hive), out);
  } else {
    for (const auto& c : data.root.children)
      FormatNode(*c, std::string(HiveName(hive)) + "\\" + c->name, out);
  }
  for (const auto& s : data.strays) out += s + "\r\n";
  return out;
}

// --- Files -----------------------------------------------------------------------------

// Reads the hive file; a missing file is an empty hive.
Result<std::string> ReadWhole(const std::string& file) {
  auto text = ReadHostFile(file);
  if (text.error == kFileNotFound) return {std::string(), kOk};
  return text;
}

// Temporary files of this hive left by a writer that died before its rename.
void RemoveStaleTemps(const std::string& prefix, const std::string& file) {
  DIR* d = opendir(prefix.c_str());
  if (!d) return;
  const std::string stem = "." + file + ".";
  while (const dirent* e = readdir(d)) {
    if (std::string_view(e->d_name).substr(0, stem.size()) == stem) {
      unlink((prefix + "/" + e->d_name).c_str());
    }
  }
  closedir(d);
}

std::uint32_t WriteAtomically(const std::string& prefix, const std::string& file,
                              const std::string& text) {
  RemoveStaleTemps(prefix, file);
  std::string temp = prefix + "/." + file + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return ErrnoToWin32(errno);
  std::uint32_t error = ErrnoToWin32(WriteAll(fd, text.data(), text.size()));
  fchmod(fd, 0644);
  if (error == kOk && fsync(fd) != 0) error = ErrnoToWin32(errno);
  if (close(fd) != 0 && error == kOk) error = ErrnoToWin32(errno);
  if (error == kOk && rename(temp.c_str(), (prefix + "/" + file).c_str()) != 0) {
    error = ErrnoToWin32(errno);
  }
  if (error != kOk) {
    unlink(temp.c_str());
    return error;
  }
  if (const int dir = open(prefix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return kOk;
}

// Runs `change` on the hive of `prefix` under the hive's lock; writes the hive back when
// `change` reports that it changed something. Returns change's code or a file error.
template <class F>
std::uint32_t Modify(const std::string& prefix, Hive hive, F change) {
  const std::string file = HiveFile(hive);
  const int lock =
      open((prefix + "/" + file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) return ErrnoToWin32(errno);
  while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
  }
  std::uint32_t error;
  auto text = ReadWhole(prefix + "/" + file);
  if (!text.ok()) {
    error = text.error;
  } else {
    HiveData data = Parse(text.value(), hive);
    bool changed = false;
    error = change(data, changed);
    if (error == kOk && changed) error = WriteAtomically(prefix, file, Format(data, hive));
  }
  close(lock);
  return error;
}

Result<HiveData> Load(Hive hive) {
  auto prefix = EnsurePrefix();
  if (!prefix.ok()) return Result<HiveData>::failure(prefix.error);
  auto text = ReadWhole(prefix.value() + "/" + HiveFile(hive));
  if (!text.ok()) return Result<HiveData>::failure(text.error);
  return Result<HiveData>{Parse(text.value(), hive), kOk};
}

// --- Handles ---------------------------------------------------------------------------

struct OpenKey {
  Hive hive;
  std::vector<std::string> path;
};

std::mutex gLock;
std::map<Handle, OpenKey> gKeys;
Handle gNextKey = 0x20000;

Handle AddKey(Hive hive, std::vector<std::string> path) {
  std::lock_guard<std::mutex> guard(gLock);
  const Handle h = gNextKey++;
  gKeys.emplace(h, OpenKey{hive, std::move(path)});
  return h;
}

bool LookupKey(Handle h, OpenKey& out) {
  std::lock_guard<std::mutex> guard(gLock);
  auto it = gKeys.find(h);
  if (it == gKeys.end()) return false;
  out = it->second;
  return true;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// Opens a key by walking `path`, optionally creating missing keys.
Result<Handle> Open(Hive hive, const std::string& path, bool create) {
  const auto parts = SplitKeyPath(path);
  if (HasLineBreak(path))
    return Result<Handle>::failure(create ? kInvalidParameter : kFileNotFound);
  if (!create) {
    auto data = Load(hive);
    if (!data.ok()) return Result<Handle>::failure(data.error);
    if (!Find(data.value().root, parts)) return Result<Handle>::failure(kFileNotFound);
    return {AddKey(hive, parts), kOk};
  }
  auto prefix = EnsurePrefix();
  if (!prefix.ok()) return Result<Handle>::failure(prefix.error);
  const std::uint32_t error = Modify(prefix.value(), hive, [&](HiveData& data, bool& changed) {
    Node* n = &data.root;
    for (const auto& part : parts) {
      Node* child = n->Child(part);
      if (!child) {
        child = n->AddChild(part);
        changed = true;
      }
      n = child;
    }
    return kOk;
  });
  if (error != kOk) return Result<Handle>::failure(error);
  return {AddKey(hive, parts), kOk};
}

// Stores `v` as `name` in the key at `path`; false when the key is missing and may not be
// created.
bool Store(HiveData& data, const std::vector<std::string>& path, const std::string& name,
           const RegValue& v, bool createKey, bool& changed) {
  Node* n = &data.root;
  for (const auto& part : path) {
    Node* child = n->Child(part);
    if (!child) {
      if (!createKey) return false;
      child = n->AddChild(part);
      changed = true;
    }
    n = child;
  }
  auto it = std::find_if(n->values.begin(), n->values.end(),
                         [&](const NamedValue& e) { return SameName(e.name, name); });
  if (it == n->values.end()) {
    n->values.push_back({name, v});
    changed = true;
  } else if (it->value.type != v.type || it->value.data != v.data) {
    it->value = v;
    changed = true;
  }
  return true;
}

}  // namespace

std::uint32_t WriteHiveStrings(const std::string& prefix, Hive hive,
                               const std::vector<HiveString>& values) {
  for (const auto& v : values) {
    if (HasLineBreak(v.keyPath) || HasLineBreak(v.name)) return kInvalidParameter;
  }
  return Modify(prefix, hive, [&](HiveData& data, bool& changed) {
    for (const auto& v : values)
      Store(data, SplitKeyPath(v.keyPath), v.name, RegValue{kRegSz, v.value + '\0'}, true, changed);
    return kOk;
  });
}

Result<Handle> RegOpenKey(Hive hive, const std::string& path) { return Open(hive, path, false); }

Result<Handle> RegCreateKey(Hive hive, const std::string& path) { return Open(hive, path, true); }

void RegCloseKey(Handle key) {
  std::lock_guard<std::mutex> guard(gLock);
  gKeys.erase(key);
}

Result<RegValue> RegQueryValue(Handle key, const std::string& name) {
  OpenKey k;
  if (!LookupKey(key, k)) return Result<RegValue>::failure(kInvalidHandle);
  auto data = Load(k.hive);
  if (!data.ok()) return Result<RegValue>::failure(data.error);
  const Node* n = Find(data.value().root, k.path);
  if (!n) return Result<RegValue>::failure(kErrKeyDeleted);
  for (const auto& v : n->values) {
    if (SameName(v.name, name)) return {v.value, kOk};
  }
  return Result<RegValue>::failure(kFileNotFound);
}

namespace {

// Stores a value in an open key; the key must still exist.
std::uint32_t SetValue(Handle key, const std::string& name, const RegValue& value) {
  OpenKey k;
  if (!LookupKey(key, k)) return kInvalidHandle;
  if (HasLineBreak(name)) return kInvalidParameter;
  auto prefix = EnsurePrefix();
  if (!prefix.ok()) return prefix.error;
  return Modify(prefix.value(), k.hive, [&](HiveData& data, bool& changed) -> std::uint32_t {
    return Store(data, k.path, name, value, false, changed) ? kOk : kErrKeyDeleted;
  });
}

}  // namespace

std::uint32_t RegSetString(Handle key, const std::string& name, const std::string& value) {
  return SetValue(key, name, RegValue{kRegSz, value + '\0'});
}

std::uint32_t RegSetDword(Handle key, const std::string& name, std::uint32_t value) {
  std::string bytes;
  for (int k = 0; k < 4; ++k) bytes += static_cast<char>((value >> (8 * k)) & 0xFFu);
  return SetValue(key, name, RegValue{kRegDword, bytes});
}

std::uint32_t RegDeleteKey(Handle key, const std::string& subkey) {
  OpenKey k;
  if (!LookupKey(key, k)) return kInvalidHandle;
  auto prefix = EnsurePrefix();
  if (!prefix.ok()) return prefix.error;
  auto path = k.path;
  for (auto& part : SplitKeyPath(subkey)) path.push_back(std::move(part));
  return Modify(prefix.value(), k.hive, [&](HiveData& data, bool& changed) -> std::uint32_t {
    if (!Find(data.root, k.path)) return kErrKeyDeleted;
    if (path.empty()) return kAccessDenied;  // the hive root itself
    Node* parent = Find(data.root, std::vector<std::string>(path.begin(), path.end() - 1));
    Node* target = parent ? parent->Child(path.back()) : nullptr;
    if (!target) return kFileNotFound;
    if (!target->children.empty()) return kAccessDenied;
    std::erase_if(parent->children, [&](const auto& c) { return c.get() == target; });
    changed = true;
    return kOk;
  });
}

Result<RegKeyInfo> RegQueryInfo(Handle key) {
  OpenKey k;
  if (!LookupKey(key, k)) return Result<RegKeyInfo>::failure(kInvalidHandle);
  auto data = Load(k.hive);
  if (!data.ok()) return Result<RegKeyInfo>::failure(data.error);
  const Node* n = Find(data.value().root, k.path);
  if (!n) return Result<RegKeyInfo>::failure(kErrKeyDeleted);
  RegKeyInfo info;
  info.subkeys = static_cast<std::uint32_t>(n->children.size());
  for (const auto& c : n->children) {
    info.maxSubkeyLength =
        std::max(info.maxSubkeyLength, static_cast<std::uint32_t>(c->name.size()));
  }
  return {info, kOk};
}

Result<std::string> RegEnumKey(Handle key, std::uint32_t index) {
  OpenKey k;
  if (!LookupKey(key, k)) return Result<std::string>::failure(kInvalidHandle);
  auto data = Load(k.hive);
  if (!data.ok()) return Result<std::string>::failure(data.error);
  const Node* n = Find(data.value().root, k.path);
  if (!n) return Result<std::string>::failure(kErrKeyDeleted);
  if (index >= n->children.size()) return Result<std::string>::failure(kNoMoreItems);
  return {n->children[index]->name, kOk};
}

}  // namespace plat::posix
