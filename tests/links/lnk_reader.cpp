#include "lnk_reader.h"

#include <cstring>

#include "platform/codepage.h"

namespace setup::testing {

namespace {

constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr unsigned char kMyComputer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                           0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

struct Reader {
  const std::string& bytes;
  std::size_t at = 0;
  bool bad = false;

  bool Has(std::size_t n) const { return !bad && at <= bytes.size() && bytes.size() - at >= n; }
  std::uint32_t U(std::size_t offset, int width) const {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
      v = (v << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return v;
  }
  std::uint32_t Take(int width) {
    if (!Has(static_cast<std::size_t>(width))) {
      bad = true;
      return 0;
    }
    const std::uint32_t v = U(at, width);
    at += static_cast<std::size_t>(width);
    return v;
  }
};

// A zero-terminated code page string inside [from, end).
bool AnsiAt(const std::string& bytes, std::size_t from, std::size_t end, std::string& out) {
  if (from >= end || end > bytes.size()) return false;
  const std::size_t zero = bytes.find('\0', from);
  if (zero == std::string::npos || zero >= end) return false;
  out = bytes.substr(from, zero - from);
  return true;
}

// A zero-terminated UTF-16 string inside [from, end), as 1250.
bool WideAt(const std::string& bytes, std::size_t from, std::size_t end, std::string& out) {
  std::u16string wide;
  for (std::size_t i = from; i + 1 < end && i + 1 < bytes.size(); i += 2) {
    const auto c = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (c == 0) {
      out = plat::Utf16ToCp1250(wide);
      return true;
    }
    wide.push_back(c);
  }
  return false;
}

// One file system item (0x31 folder, 0x32 file): the long name from its 0xBEEF0004
// extension when there is one, else the primary name.
bool FileItemName(const std::string& item, std::string& name) {
  if (item.size() < 15) return false;
  std::string primary;
  if (!AnsiAt(item, 14, item.size(), primary)) return false;
  name = primary;
  if (item.size() < 2) return true;
  const std::size_t extension = static_cast<unsigned char>(item[item.size() - 2]) |
                                (static_cast<unsigned char>(item[item.size() - 1]) << 8);
  if (extension < 14 || extension + 20 > item.size()) return true;
  Reader r{item, extension};
  const std::uint32_t size = r.Take(2);
  const std::uint32_t version = r.Take(2);
  const std::uint32_t signature = r.Take(4);
  if (r.bad || signature != 0xBEEF0004 || extension + size > item.size() || version < 3) {
    return true;
  }
  // The long name follows the fields of its version.
  std::size_t nameAt = extension + 20;
  if (version >= 7) nameAt = extension + 38;
  if (version >= 8) nameAt += 4;
  if (version >= 9) nameAt += 4;
  std::string longName;
  if (WideAt(item, nameAt, extension + size, longName)) name = longName;
  return true;
}

void ParseIdList(Reader& r, ParsedLink& link) {
  const std::size_t size = r.Take(2);
  if (!r.Has(size)) {
    link.error = "ID list runs past the end";
    return;
  }
  const std::size_t end = r.at + size;
  int index = 0;
  std::string path;
  while (true) {
    if (r.at + 2 > end) {
      link.error = "ID list without terminal ID";
      return;
    }
    const std::size_t itemSize = r.U(r.at, 2);
    if (itemSize == 0) {
      r.at += 2;
      break;
    }
    if (itemSize < 3 || r.at + itemSize > end) {
      link.error = "bad item size";
      return;
    }
    const std::string item = r.bytes.substr(r.at, itemSize);
    const auto type = static_cast<unsigned char>(item[2]);
    if (index == 0) {
      if (type != 0x1F || itemSize != 0x14 || std::memcmp(item.data() + 4, kMyComputer, 16) != 0) {
        link.error = "first item is not My Computer";
        return;
      }
    } else if (index == 1) {
      if ((type & 0x70) != 0x20 || itemSize < 6) {
        link.error = "second item is not a drive";
        return;
      }
      path = item.substr(3, 3);
    } else {
      if (type != 0x31 && type != 0x32) {
        link.error = "item of unknown type";
        return;
      }
      std::string name;
      if (!FileItemName(item, name)) {
        link.error = "file item without a name";
        return;
      }
      if (!path.empty() && path.back() != '\\') path += '\\';
      path += name;
      link.idListLastIsFolder = type == 0x31;
      if (type == 0x31) ++link.idListFolders;
    }
    r.at += itemSize;
    ++index;
  }
  if (r.at != end) {
    link.error = "ID list size does not match its items";
    return;
  }
  link.idListPath = path;
}

void ParseLinkInfo(Reader& r, ParsedLink& link) {
  const std::size_t start = r.at;
  if (!r.Has(28)) {
    link.error = "LinkInfo header cut";
    return;
  }
  const std::size_t size = r.U(start, 4);
  const std::size_t headerSize = r.U(start + 4, 4);
  const std::uint32_t flags = r.U(start + 8, 4);
  if (size < headerSize || !r.Has(size) || (headerSize != 0x1C && headerSize < 0x24)) {
    link.error = "LinkInfo sizes";
    return;
  }
  const std::size_t end = start + size;
  if (flags & 1) {
    const std::size_t volume = start + r.U(start + 12, 4);
    if (volume + 16 > end) {
      link.error = "VolumeID outside LinkInfo";
      return;
    }
    const std::size_t volumeSize = r.U(volume, 4);
    if (volumeSize <= 0x10 || volume + volumeSize > end) {
      link.error = "VolumeID size";
      return;
    }
    link.driveType = r.U(volume + 4, 4);
    if (!AnsiAt(r.bytes, start + r.U(start + 16, 4), end, link.localBasePath)) {
      link.error = "LocalBasePath";
      return;
    }
    if (headerSize >= 0x24) {
      if (!WideAt(r.bytes, start + r.U(start + 28, 4), end, link.localBasePathUnicode)) {
        link.error = "LocalBasePathUnicode";
        return;
      }
    }
  }
  std::string suffix;
  if (!AnsiAt(r.bytes, start + r.U(start + 24, 4), end, suffix)) {
    link.error = "CommonPathSuffix";
    return;
  }
  link.localBasePath += suffix;
  r.at = end;
}

bool TakeString(Reader& r, bool unicode, std::string& out) {
  const std::size_t count = r.Take(2);
  const std::size_t bytes = unicode ? count * 2 : count;
  if (!r.Has(bytes)) return false;
  if (unicode) {
    std::u16string wide;
    for (std::size_t i = 0; i < count; ++i)
      wide.push_back(static_cast<char16_t>(r.U(r.at + 2 * i, 2)));
    out = plat::Utf16ToCp1250(wide);
  } else {
    out = r.bytes.substr(r.at, count);
  }
  // Some writers count the terminating zero.
  while (!out.empty() && out.back() == '\0') out.pop_back();
  r.at += bytes;
  return true;
}

}  // namespace

std::string ParsedLink::Target() const {
  if (!localBasePathUnicode.empty()) return localBasePathUnicode;
  if (!localBasePath.empty()) return localBasePath;
  return idListPath;
}

ParsedLink ParseLink(const std::string& bytes) {
  ParsedLink link;
  Reader r{bytes};
  if (!r.Has(0x4C) || r.U(0, 4) != 0x4C || std::memcmp(bytes.data() + 4, kLinkClsid, 16) != 0) {
    link.error = "not a shell link header";
    return link;
  }
  link.flags = r.U(20, 4);
  link.attributes = r.U(24, 4);
  link.fileSize = r.U(52, 4);
  link.showCommand = r.U(60, 4);
  r.at = 0x4C;
  if (link.flags & 0x01) ParseIdList(r, link);
  if (link.error.empty() && (link.flags & 0x02)) ParseLinkInfo(r, link);
  if (!link.error.empty()) return link;
  const bool unicode = (link.flags & 0x80) != 0;
  // NAME, RELATIVE_PATH, WORKING_DIR, ARGUMENTS, ICON_LOCATION, in this order.
  const std::uint32_t stringFlags[] = {0x04, 0x08, 0x10, 0x20, 0x40};
  for (std::uint32_t flag : stringFlags) {
    if ((link.flags & flag) == 0) continue;
    std::string text;
    if (!TakeString(r, unicode, text)) {
      link.error = "string data cut";
      return link;
    }
    if (flag == 0x10) {
      link.workingDirectory = text;
      link.hasWorkingDirectory = true;
    }
  }
  // Extra data blocks up to the terminal block.
  while (true) {
    if (!r.Has(4)) {
      link.error = "no terminal block";
      return link;
    }
    const std::size_t blockSize = r.U(r.at, 4);
    if (blockSize < 4) {
      r.at += 4;
      break;
    }
    if (!r.Has(blockSize)) {
      link.error = "extra data block cut";
      return link;
    }
    r.at += blockSize;
  }
  if (r.at != bytes.size()) link.error = "bytes after the terminal block";
  return link;
}

}  // namespace setup::testing
