#include "tests/legacy/support.h"

#include <cstdio>
#include <stdexcept>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace legacy_test {
namespace {

std::uint32_t Get16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::out_of_range("zip field past the end");
  return b[at] | b[at + 1] << 8;
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return Get16(b, at) | Get16(b, at + 2) << 16;
}

#ifndef _WIN32
std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') {
      q += "'\\''";
    } else {
      q += c;
    }
  }
  return q + "'";
}
#endif

}  // namespace

#ifdef _WIN32
bool HaveInfoZip() { return false; }
int InfoZipTest(std::uint16_t, std::uint16_t, const Bytes&, const Bytes&) {
  throw std::logic_error("no unzip under Wine");
}
std::optional<Bytes> InfoZipExtract(const std::filesystem::path&, const std::string&) {
  throw std::logic_error("no unzip under Wine");
}
#else
bool HaveInfoZip() { return std::system("unzip -v >/dev/null 2>&1") == 0; }

int InfoZipTest(std::uint16_t method, std::uint16_t flags, const Bytes& content,
                const Bytes& stream) {
  TempDir dir;
  ZipMember m;
  m.name = "member.bin";
  m.method = method;
  m.flags = flags;
  m.data = stream;
  m.content = content;
  WriteAll(dir / "t.zip", BuildZip({m}));
  const int status =
      std::system(("unzip -tqq " + Quote((dir / "t.zip").string()) + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<Bytes> InfoZipExtract(const std::filesystem::path& archive,
                                    const std::string& member) {
  // unzip takes member names as wildcard patterns: the pattern characters are escaped, and
  // each run of non-ASCII bytes (which unzip converts from the name's code page) becomes "*".
  std::string pattern;
  for (char c : member) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      if (pattern.empty() || pattern.back() != '*') pattern += '*';
      continue;
    }
    if (c == '[' || c == ']' || c == '*' || c == '?' || c == '\\') pattern += '\\';
    pattern += c;
  }
  FILE* pipe = popen(("unzip -p " + Quote(archive.string()) + " " + Quote(pattern)).c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  Bytes out;
  char buffer[65536];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  const int status = pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}
#endif

std::vector<DirectoryEntry> ReadDirectory(const Bytes& a) {
  std::size_t end = a.size() < 22 ? throw std::runtime_error("not a zip") : a.size() - 22;
  while (Get32(a, end) != 0x06054B50) {
    if (end == 0) throw std::runtime_error("no end record");
    --end;
  }
  const std::uint32_t count = Get16(a, end + 10);
  std::size_t at = Get32(a, end + 16);
  std::vector<DirectoryEntry> entries;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (Get32(a, at) != 0x02014B50) throw std::runtime_error("bad directory entry");
    DirectoryEntry e;
    e.flags = static_cast<std::uint16_t>(Get16(a, at + 8));
    e.method = static_cast<std::uint16_t>(Get16(a, at + 10));
    e.crc = Get32(a, at + 16);
    e.compressedSize = Get32(a, at + 20);
    e.uncompressedSize = Get32(a, at + 24);
    const std::uint32_t nameLength = Get16(a, at + 28);
    const std::uint32_t extraLength = Get16(a, at + 30);
    const std::uint32_t commentLength = Get16(a, at + 32);
    e.headerOffset = Get32(a, at + 42);
    e.name.assign(a.begin() + static_cast<std::ptrdiff_t>(at + 46),
                  a.begin() + static_cast<std::ptrdiff_t>(at + 46 + nameLength));
    entries.push_back(e);
    at += 46 + nameLength + extraLength + commentLength;
  }
  return entries;
}

Bytes MemberData(const Bytes& a, const DirectoryEntry& e) {
  const std::size_t h = e.headerOffset;
  const std::size_t start = h + 30 + Get16(a, h + 26) + Get16(a, h + 28);
  if (start + e.compressedSize > a.size()) throw std::out_of_range("member data past the end");
  return Bytes(a.begin() + static_cast<std::ptrdiff_t>(start),
               a.begin() + static_cast<std::ptrdiff_t>(start + e.compressedSize));
}

}  // namespace legacy_test
