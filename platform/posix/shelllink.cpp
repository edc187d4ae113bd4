// Shell links of the POSIX body: the ".lnk" file that IShellLinkA::SetPath +
// SetWorkingDirectory + IPersistFile::Save(path, FALSE) leave on Windows, in the
// [MS-SHLLINK] format, so that a link made here opens on Windows. The target is held twice,
// as Windows holds it: as an item ID list (My Computer, the drive, one item per folder and
// the file) and as LinkInfo with the local base path; the working directory is a Unicode
// string. Facts about the target (attributes, size, times) come from the host file when it
// exists and are zero otherwise, as for a target that is not there yet.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/posix/body.h"
#include "platform/posix/prefix.h"

namespace plat::posix {
namespace {

constexpr std::uint32_t kHasLinkTargetIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t kLinkInfoHeaderSize = 0x24;  // with the Unicode path offsets

// {00021401-0000-0000-C000-000000000046}, the shell link class, in its stored byte order.
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, My Computer, the root of every local path.
constexpr unsigned char kMyComputer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                           0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

// Little-endian output with fields that can be filled in once their value is known.
class Bytes {
 public:
  void U8(std::uint8_t v) { data_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Raw(const unsigned char* p, std::size_t n) {
    data_.append(reinterpret_cast<const char*>(p), n);
  }
  void AnsiZ(std::string_view s) {
    data_.append(s);
    U8(0);
  }
  void WideZ(std::u16string_view s) {
    for (char16_t c : s) U16(static_cast<std::uint16_t>(c));
    U16(0);
  }
  void PadToEven() {
    if (data_.size() % 2 != 0) U8(0);
  }
  void Append(const Bytes& other) { data_.append(other.data_); }
  void Put16(std::size_t at, std::size_t v) {
    data_[at] = static_cast<char>(v & 0xFF);
    data_[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  }
  void Put32(std::size_t at, std::size_t v) {
    Put16(at, v & 0xFFFF);
    Put16(at + 2, (v >> 16) & 0xFFFF);
  }
  std::size_t Size() const { return data_.size(); }
  const std::string& Str() const { return data_; }

 private:
  std::string data_;
};

struct Facts {
  std::uint32_t attributes = 0;
  std::uint32_t size = 0;
  std::uint64_t created = 0, accessed = 0, written = 0;  // FILETIME
  std::uint32_t dosWritten = 0;                          // DOS date << 16 | DOS time
  bool folder = false;
};

std::uint64_t FileTime(const struct timespec& t) {
  constexpr std::uint64_t kUnixEpochIn100ns = 116444736000000000ull;
  if (t.tv_sec < 0) return 0;
  return kUnixEpochIn100ns + static_cast<std::uint64_t>(t.tv_sec) * 10000000ull +
         static_cast<std::uint64_t>(t.tv_nsec) / 100;
}

std::uint32_t DosDateTime(time_t seconds) {
  struct tm local {};
  if (localtime_r(&seconds, &local) == nullptr || local.tm_year < 80) return 0;
  const auto date = static_cast<std::uint32_t>(((local.tm_year - 80) << 9) |
                                               ((local.tm_mon + 1) << 5) | local.tm_mday);
  const auto time =
      static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return (date << 16) | time;
}

Facts Look(const std::string& windowsPath) {
  Facts facts;
  const auto mapped = MapPath(windowsPath);
  struct stat st {};
  if (!mapped.ok() || !mapped.value().exists || stat(mapped.value().host.c_str(), &st) != 0) {
    return facts;
  }
  facts.folder = S_ISDIR(st.st_mode);
  facts.attributes = facts.folder ? kAttrDirectory : kAttrArchive;
  if ((st.st_mode & S_IWUSR) == 0) facts.attributes |= kAttrReadOnly;
  if (!mapped.value().name.empty() && mapped.value().name[0] == '.')
    facts.attributes |= kAttrHidden;
  if (!facts.folder) facts.size = static_cast<std::uint32_t>(st.st_size);
  facts.created = FileTime(st.st_ctim);
  facts.accessed = FileTime(st.st_atim);
  facts.written = FileTime(st.st_mtim);
  facts.dosWritten = DosDateTime(st.st_mtim.tv_sec);
  return facts;
}

// A file system item: the short entry (a folder 0x31 or a file 0x32) with the name in the
// code page, then the 0xBEEF0004 extension (version 3) that carries the Unicode name.
void AddFileItem(Bytes& list, const std::string& name, const Facts& facts, bool folder) {
  Bytes item;
  item.U16(0);
  item.U8(folder ? 0x31 : 0x32);
  item.U8(0);
  item.U32(folder ? 0 : facts.size);
  item.U16(static_cast<std::uint16_t>(facts.dosWritten >> 16));
  item.U16(static_cast<std::uint16_t>(facts.dosWritten));
  item.U16(static_cast<std::uint16_t>(facts.attributes));
  item.AnsiZ(name);
  item.PadToEven();

  const std::size_t extension = item.Size();
  item.U16(0);
  item.U16(3);
  item.U32(0xBEEF0004);
  item.U32(facts.dosWritten);  // creation, as far as the host knows it
  item.U32(facts.dosWritten);  // last access
  item.U16(0x14);              // offset of the long name in the extension
  item.U16(0);                 // no localised name
  item.WideZ(Cp1250ToUtf16(name));
  item.U16(static_cast<std::uint16_t>(extension));
  item.Put16(extension, item.Size() - extension);
  item.Put16(0, item.Size());
  list.Append(item);
}

// The ID list of "X:\a\b\c": My Computer, the drive "X:\", then a, b and c.
Bytes TargetIdList(const std::string& target, const Facts& targetFacts) {
  Bytes list;
  list.U16(0x14);
  list.U8(0x1F);
  list.U8(0x50);
  list.Raw(kMyComputer, sizeof kMyComputer);

  const std::size_t drive = list.Size();
  list.U16(0x19);
  list.U8(0x2F);
  list.AnsiZ(
      std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(target[0])))) +
      ":\\");
  while (list.Size() < drive + 0x19) list.U8(0);

  std::string path = target.substr(0, 2);
  std::size_t at = 2;
  for (;;) {
    at = target.find_first_not_of('\\', at);
    if (at == std::string::npos) break;
    const std::size_t end = std::min(target.find('\\', at), target.size());
    path += '\\';
    path += target.substr(at, end - at);
    const bool last = target.find_first_not_of('\\', end) == std::string::npos;
    const Facts facts = last ? targetFacts : Look(path);
    AddFileItem(list, target.substr(at, end - at), facts, !last || facts.folder);
    at = end;
  }
  list.U16(0);

  Bytes block;
  block.U16(static_cast<std::uint16_t>(list.Size()));
  block.Append(list);
  return block;
}

// LinkInfo of a local path: a fixed disk without label, the path as the local base path in
// the code page and in Unicode, and an empty common path suffix.
Bytes LinkInfo(const std::string& target) {
  Bytes body;  // what follows the header; offsets count from the start of LinkInfo
  auto offset = [&body] { return static_cast<std::uint32_t>(kLinkInfoHeaderSize + body.Size()); };
  const std::uint32_t volume = offset();
  body.U32(0x11);
  body.U32(kDriveFixed);
  body.U32(0);     // serial number
  body.U32(0x10);  // label offset
  body.U8(0);      // empty label
  const std::uint32_t basePath = offset();
  body.AnsiZ(target);
  const std::uint32_t suffix = offset();
  body.AnsiZ("");
  body.PadToEven();
  const std::uint32_t basePathUnicode = offset();
  body.WideZ(Cp1250ToUtf16(target));
  const std::uint32_t suffixUnicode = offset();
  body.WideZ(u"");

  Bytes info;
  info.U32(offset());
  info.U32(kLinkInfoHeaderSize);
  info.U32(kVolumeIdAndLocalBasePath);
  info.U32(volume);
  info.U32(basePath);
  info.U32(0);  // no network location
  info.U32(suffix);
  info.U32(basePathUnicode);
  info.U32(suffixUnicode);
  info.Append(body);
  return info;
}

std::string LinkBytes(const std::string& target, const std::string& workingDirectory) {
  const Facts facts = Look(target);
  std::uint32_t flags = kHasLinkTargetIdList | kHasLinkInfo | kIsUnicode;
  if (!workingDirectory.empty()) flags |= kHasWorkingDir;

  Bytes link;
  link.U32(0x4C);
  link.Raw(kLinkClsid, sizeof kLinkClsid);
  link.U32(flags);
  link.U32(facts.attributes);
  link.U64(facts.created);
  link.U64(facts.accessed);
  link.U64(facts.written);
  link.U32(facts.size);
  link.U32(0);  // icon index
  link.U32(kShowNormal);
  link.U16(0);  // no hot key
  link.U16(0);
  link.U32(0);
  link.U32(0);

  link.Append(TargetIdList(target, facts));
  link.Append(LinkInfo(target));
  if (!workingDirectory.empty()) {
    const std::u16string wide = Cp1250ToUtf16(workingDirectory);
    link.U16(static_cast<std::uint16_t>(wide.size()));
    for (char16_t c : wide) link.U16(static_cast<std::uint16_t>(c));
  }
  link.U32(0);  // terminal block of the extra data
  return link.Str();
}

// SetPath takes a full path with a drive, of at most MAX_PATH - 1 characters; that bound
// also keeps every 16-bit size field of the file in range.
bool Acceptable(const std::string& path) {
  if (path.size() < 2 || path.size() > kMaxPath || path[1] != ':') return false;
  if (path.find('\0') != std::string::npos) return false;
  const char c = path[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Writes `bytes` to a new file beside `linkFile` and renames it over `linkFile`, so that a
// reader finds the old link or the new one, never a part of either.
bool WriteReplacing(const std::string& linkFile, const std::string& bytes) {
  const std::string temporary = linkFile + ".new";
  auto file = posix::OpenFile(temporary, OpenMode::kCreate);
  if (!file.ok()) return false;
  const auto written = posix::WriteFile(file.value(), bytes.data(), bytes.size());
  const bool complete = written.ok() && written.value() == bytes.size();
  const bool closed = posix::CloseFile(file.value()) == kOk;
  if (!complete || !closed || posix::MoveFile(temporary, linkFile) != kOk) {
    posix::DeleteFile(temporary);
    return false;
  }
  return true;
}

}  // namespace

ShellLinkOutcome SaveShellLink(const std::string& target, const std::string& workingDirectory,
                               const std::string& linkFile) {
  ShellLinkOutcome outcome;
  if (!Acceptable(target) || workingDirectory.size() > kMaxPath) return outcome;
  outcome.saved = WriteReplacing(linkFile, LinkBytes(target, workingDirectory));
  return outcome;
}

}  // namespace plat::posix
