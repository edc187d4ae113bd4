// The central directory reader: recognising an archive, finding the end-of-central-directory
// record (and the Zip64 end record behind its locator), walking the directory entry by entry
// (in one piece, or through a sliding window for large directories) with the entry count
// checked against the end record, the member mask, and the scan of the whole directory that
// a run makes first (totals, overlapping members).
#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "unzip/decode_state.h"
#include "unzip/unzip.h"

namespace unzip {
namespace {

constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kLocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kSearchWindow = 4096;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kExtraZip64 = 0x0001;
constexpr std::uint16_t kExtraUnicodePath = 0x7075;

bool IsSignature(const std::uint8_t* p, std::uint8_t a, std::uint8_t b) {
  return p[0] == 'P' && p[1] == 'K' && p[2] == a && p[3] == b;
}
// Offsets and sizes beyond what a file can hold count as the largest one (and fail later).
std::int64_t Clamp63(std::uint64_t value) {
  return static_cast<std::int64_t>(
      std::min<std::uint64_t>(value, std::numeric_limits<std::int64_t>::max()));
}

// Reads exactly `size` bytes at the file's current position.
bool ReadOn(plat::Handle file, std::uint8_t* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    auto got = plat::ReadFile(file, buffer + done, size - done);
    if (!got.ok() || got.value() == 0) return false;
    done += got.value();
  }
  return true;
}

// Reads exactly `size` bytes at `offset`; false on a failed seek or a short read.
bool ReadAt(plat::Handle file, std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
  if (offset < 0 || !plat::SeekFile(file, offset, plat::SeekOrigin::kBegin).ok()) return false;
  return ReadOn(file, buffer, size);
}

// Searches backwards for the end record: 4096-byte windows overlapping by 22 bytes, each
// tested from its last possible record position down. -1 when there is none.
std::int64_t FindEndRecord(plat::Handle file, std::int64_t size) {
  std::uint8_t buffer[kSearchWindow];
  const std::size_t length = static_cast<std::size_t>(
      std::min<std::int64_t>(size, static_cast<std::int64_t>(kSearchWindow)));
  std::int64_t start = size - static_cast<std::int64_t>(length);
  for (;;) {
    if (!ReadAt(file, start, buffer, length)) return -1;
    if (length >= kEndRecordSize) {
      for (std::size_t pos = length - kEndRecordSize + 1; pos-- > 0;) {
        if (IsSignature(buffer + pos, 5, 6)) return start + static_cast<std::int64_t>(pos);
      }
    }
    if (start == 0 || length <= kEndRecordSize) return -1;
    start = std::max<std::int64_t>(0, start - static_cast<std::int64_t>(length - kEndRecordSize));
  }
}

// Calls visit(id, data, size) for each extra field block that lies wholly in the field.
template <class Visit>
void ForEachExtra(const std::uint8_t* p, std::size_t size, Visit visit) {
  while (size >= 4) {
    const std::size_t length = Get16(p + 2);
    if (length > size - 4) return;
    visit(Get16(p), p + 4, length);
    p += 4 + length;
    size -= 4 + length;
  }
}

std::size_t Remaining(const EntryRecord& e) { return e.Valid - e.Position; }

// The full length of the header at Position, or 0 when not even its fixed part is present.
std::size_t HeaderLength(const EntryRecord& e) {
  if (Remaining(e) < kCentralHeaderSize) return 0;
  const std::uint8_t* p = e.Buffer.get() + e.Position;
  return kCentralHeaderSize + Get16(p + 28) + Get16(p + 30) + Get16(p + 32);
}

// Slides the window: the unread rest moves to the front and the archive fills the buffer up.
bool SlideWindow(EntryRecord& e) {
  const std::size_t rest = Remaining(e);
  std::uint8_t* buffer = e.Buffer.get();
  std::memmove(buffer, buffer + e.Position, rest);
  std::size_t filled = rest;
  while (filled < e.BufferSize) {
    auto got = plat::ReadFile(e.Archive.get(), buffer + filled, e.BufferSize - filled);
    if (!got.ok()) return false;
    if (got.value() == 0) break;
    filled += got.value();
  }
  e.Valid = static_cast<std::uint32_t>(filled);
  e.Position = 0;
  return true;
}

std::int32_t Fail(EntryRecord& e, std::int32_t code, const char* problem) {
  CloseEntries(e);
  e.Problem = problem;
  return code;
}

// The walk found no further entry: the end when every counted entry was read, else damage.
std::int32_t EndOfDirectory(EntryRecord& e) {
  const bool whole = e.ExpectedWraps ? (e.Parsed & 0xFFFF) == e.Expected : e.Parsed == e.Expected;
  if (whole) {
    CloseEntries(e);
    return kNoMoreEntries;
  }
  return Fail(e, kZipFormatError,
              e.Parsed < e.Expected ? "the central directory ends before its last entry"
                                    : "the central directory holds more entries than it counts");
}

// Fills the entry's fields from the complete central header at `p`.
void TakeEntry(EntryRecord& e, const std::uint8_t* p) {
  const std::size_t nameLength = Get16(p + 28);
  const std::uint8_t* name = p + kCentralHeaderSize;
  e.Attributes = p[5] == 0 ? p[38] : 0;
  e.Flags = Get16(p + 8);
  e.Method = Get16(p + 10);
  e.Time = static_cast<std::int32_t>(Get32(p + 12));
  std::uint64_t compressed = Get32(p + 20);
  std::uint64_t size = Get32(p + 24);
  std::uint64_t offset = Get32(p + 42);
  std::string_view unicodePath;
  bool hasUnicodePath = false;
  ForEachExtra(name + nameLength, Get16(p + 30),
               [&](std::uint16_t id, const std::uint8_t* data, std::size_t length) {
                 if (id == kExtraUnicodePath && length >= 5 && data[0] == 1 &&
                     Get32(data + 1) == ~UpdateCrc32(0xFFFFFFFFu, name, nameLength)) {
                   // Info-ZIP's Unicode path: version 1, the CRC-32 of the stored name (so
                   // that a renamed entry's stale field is ignored) and the name in UTF-8.
                   unicodePath =
                       std::string_view(reinterpret_cast<const char*>(data + 5), length - 5);
                   hasUnicodePath = true;
                 }
               });
  TakeZip64(name + nameLength, Get16(p + 30), {&size, &compressed, &offset});
  e.CompressedSize = Clamp63(compressed);
  e.Size = Clamp63(size);
  e.HeaderOffset = Clamp63(offset);

  // A name flagged UTF-8 is converted to code page 1250; one that does not convert exactly
  // keeps only a stand-in for the reports. An unflagged name is taken as stored, unless a
  // Unicode path field gives it in a form that converts exactly.
  const std::string_view stored(reinterpret_cast<const char*>(name), nameLength);
  e.Fault = NameFault::kNone;
  std::string converted;
  std::string_view text = stored;
  bool malformed = false;
  if ((e.Flags & kFlagUtf8) != 0) {
    if (!plat::Utf8ToCp1250Exact(stored, converted, malformed)) {
      e.Fault = malformed ? NameFault::kMalformedUtf8 : NameFault::kNotInCodePage;
      converted = plat::Utf8ToCp1250(stored);
    }
    text = converted;
  } else if (hasUnicodePath && plat::Utf8ToCp1250Exact(unicodePath, converted, malformed)) {
    text = converted;
  }
  const std::size_t kept = std::min(text.size(), kMaxPath);
  std::memcpy(e.FileName, text.data(), kept);
  e.FileName[kept] = '\0';
  std::replace(e.FileName, e.FileName + kept, '/', '\\');
}

std::int32_t ParseEntry(EntryRecord& e) {
  if (e.Buffer == nullptr) return kNoMoreEntries;
  const bool window = e.BufferSize == kDirectoryWindow;
  if (window) {
    const std::size_t length = HeaderLength(e);
    // A read that fails while the window slides is no end of the directory.
    if ((length == 0 || Remaining(e) < length) && !SlideWindow(e)) {
      return Fail(e, kFileError, "the central directory cannot be read");
    }
  }
  const std::uint8_t* p = e.Buffer.get() + e.Position;
  if (Remaining(e) >= 4 && (IsSignature(p, 5, 6) || IsSignature(p, 6, 6))) {
    return EndOfDirectory(e);
  }
  const std::size_t length = HeaderLength(e);
  if (length == 0 || !IsSignature(p, 1, 2)) return EndOfDirectory(e);
  if (Remaining(e) >= length) {
    TakeEntry(e, p);
    e.Position = static_cast<std::uint16_t>(e.Position + length);
  } else if (window && length > e.BufferSize) {
    // An entry longer than the window (a long comment or extra field): put together from
    // what the window holds and the rest of it read from the archive.
    std::vector<std::uint8_t> whole(length);
    const std::size_t held = Remaining(e);
    std::memcpy(whole.data(), p, held);
    if (!ReadOn(e.Archive.get(), whole.data() + held, length - held)) return EndOfDirectory(e);
    TakeEntry(e, whole.data());
    e.Position = 0;
    e.Valid = 0;
  } else {
    return EndOfDirectory(e);
  }
  ++e.Parsed;
  return kUnzipOk;
}

std::string Upper(std::string_view text) {
  std::string out(text.substr(0, 255));
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

bool TakeZip64(const std::uint8_t* extra, std::size_t size,
               std::initializer_list<std::uint64_t*> fields) {
  bool seen = false;
  bool complete = false;
  ForEachExtra(extra, size, [&](std::uint16_t id, const std::uint8_t* data, std::size_t length) {
    if (id != kExtraZip64 || seen) return;
    seen = true;
    std::size_t at = 0;
    for (std::uint64_t* field : fields) {
      if (*field != kNo32) continue;
      if (at + 8 > length) return;
      *field = Get64(data + at);
      at += 8;
    }
    complete = true;
  });
  return complete;
}

bool IsZipFile(const std::string& path) {
  if (path.find('.') == std::string::npos || path.find(".exe") != std::string::npos) {
    return false;
  }
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  auto attributes = plat::FileAttributes(folder);
  if (attributes.ok() && (attributes.value() & plat::kAttrDirectory) != 0) return false;
  auto file = plat::File::Open(path, plat::OpenMode::kRead);
  if (!file.ok()) return false;
  std::uint8_t head[4];
  return ReadAt(file.value().get(), 0, head, sizeof head) && IsSignature(head, 3, 4);
}

const char* NotZipReason(const std::string& path) {
  if (path.find('.') == std::string::npos) return "its name has no \".\"";
  if (path.find(".exe") != std::string::npos) return "its name holds \".exe\"";
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  auto attributes = plat::FileAttributes(folder);
  if (attributes.ok() && (attributes.value() & plat::kAttrDirectory) != 0) return "it is a folder";
  auto file = plat::File::Open(path, plat::OpenMode::kRead);
  if (!file.ok()) return nullptr;
  std::uint8_t head[4];
  if (ReadAt(file.value().get(), 0, head, sizeof head) && IsSignature(head, 3, 4)) return nullptr;
  auto size = plat::FileSize(file.value().get());
  if (size.ok() && size.value() > 0 && FindEndRecord(file.value().get(), size.value()) >= 0) {
    return "it holds a zip archive behind other data (a self-extracting program?); only a "
           "file that starts with its first member is read";
  }
  return "it is not a zip archive";
}

void CloseEntries(EntryRecord& entry) {
  entry.Buffer.reset();
  entry.Archive.reset();
  entry.BufferSize = 0;
  entry.Position = 0;
  entry.Valid = 0;
}

std::int32_t FirstEntry(const std::string& archivePath, EntryRecord& entry) {
  CloseEntries(entry);
  entry.Parsed = 0;
  entry.Expected = 0;
  entry.ExpectedWraps = false;
  entry.DirectoryOffset = 0;
  entry.Problem = nullptr;
  auto opened = plat::File::Open(archivePath, plat::OpenMode::kRead);
  if (!opened.ok()) return Fail(entry, kFileError, "the archive cannot be opened");
  plat::File file = std::move(opened.value());
  auto size = plat::FileSize(file.get());
  if (!size.ok() || size.value() == 0) return Fail(entry, kFileError, "the archive is empty");

  const std::int64_t end = FindEndRecord(file.get(), size.value());
  if (end < 0) return Fail(entry, kFileError, "no end-of-central-directory record was found");
  std::uint8_t record[kEndRecordSize];
  if (!ReadAt(file.get(), end, record, kEndRecordSize)) {
    return Fail(entry, kFileError, "the end-of-central-directory record cannot be read");
  }
  if (end < static_cast<std::int64_t>(kCentralHeaderSize)) {
    return Fail(entry, kZipFormatError, "the end record leaves no room for a central directory");
  }
  std::int64_t directory = Get32(record + 16);
  std::int64_t directoryEnd = end;
  entry.Expected = Get16(record + 10);
  entry.ExpectedWraps = true;
  // A Zip64 locator right before the end record points at the Zip64 end record, which holds
  // the 64-bit entry count and directory offset; the directory ends where that record starts.
  std::uint8_t locator[kLocatorSize];
  if (end >= static_cast<std::int64_t>(kLocatorSize) &&
      ReadAt(file.get(), end - static_cast<std::int64_t>(kLocatorSize), locator, kLocatorSize) &&
      IsSignature(locator, 6, 7)) {
    const std::int64_t at = Clamp63(Get64(locator + 8));
    std::uint8_t zip64[kZip64EndSize];
    if (at >= end || !ReadAt(file.get(), at, zip64, kZip64EndSize) || !IsSignature(zip64, 6, 6)) {
      return Fail(entry, kZipFormatError, "the Zip64 end record is not where its locator points");
    }
    entry.Expected = Get64(zip64 + 32);
    entry.ExpectedWraps = false;
    directory = Clamp63(Get64(zip64 + 48));
    directoryEnd = at;
  }
  if (directory > directoryEnd) {
    return Fail(entry, kFileError, "the central directory offset lies past its end");
  }
  const std::int64_t span = directoryEnd - directory + 4;
  entry.DirectoryOffset = directory;

  if (span < kDirectoryWindow) {
    entry.Buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(span) + 1);
    if (!ReadAt(file.get(), directory, entry.Buffer.get(), static_cast<std::size_t>(span))) {
      return Fail(entry, kFileError, "the central directory cannot be read");
    }
    entry.BufferSize = static_cast<std::uint16_t>(span);
  } else {
    entry.Buffer = std::make_unique<std::uint8_t[]>(kDirectoryWindow + 1);
    if (!ReadAt(file.get(), directory, entry.Buffer.get(), kDirectoryWindow)) {
      return Fail(entry, kFileError, "the central directory cannot be read");
    }
    entry.BufferSize = kDirectoryWindow;
    entry.Archive = std::move(file);
  }
  entry.Valid = entry.BufferSize;
  entry.Position = 0;
  // An end record that counts entries whose directory holds none where it says is damaged:
  // it must not read as an empty archive (the count check of every entry does that).
  return ParseEntry(entry);
}

std::int32_t NextEntry(EntryRecord& entry) { return ParseEntry(entry); }

bool MatchesMask(const std::string& maskText, const std::string& nameText) {
  const std::string mask = Upper(maskText);
  const std::string name = Upper(nameText);
  if (mask.empty() || mask == "*.*") return true;
  const std::size_t dot = name.find('.');
  if (mask.starts_with("*.")) {
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    return extension == mask.substr(2);
  }
  if (mask.back() == '*') {
    std::string prefix = mask;
    if (prefix.ends_with(".*")) prefix.resize(prefix.size() - 2);
    if (!prefix.empty() && (prefix.back() == '*' || prefix.back() == '?')) prefix.pop_back();
    const std::string stem = name.substr(0, dot);
    return stem.size() >= prefix.size() && stem.compare(0, prefix.size(), prefix) == 0;
  }
  return mask == name;
}

namespace {

std::int64_t AddClamped(std::int64_t a, std::int64_t b) {
  return a > std::numeric_limits<std::int64_t>::max() - b ? std::numeric_limits<std::int64_t>::max()
                                                          : a + b;
}

}  // namespace

DirectoryScan ScanDirectory(const std::string& archivePath) {
  DirectoryScan scan;
  std::int64_t fileSize = 0;
  {
    auto file = plat::File::Open(archivePath, plat::OpenMode::kRead);
    if (!file.ok()) {
      scan.result = kFileError;
      scan.problem = "the archive cannot be opened";
      return scan;
    }
    auto size = plat::FileSize(file.value().get());
    if (size.ok()) fileSize = size.value();
  }
  EntryRecord entry;
  std::int32_t code = FirstEntry(archivePath, entry);
  if (code != kUnzipOk) {
    scan.size = scan.compressed = fileSize;
    if (code != kNoMoreEntries) {
      scan.result = code;
      scan.problem = entry.Problem;
    }
    return scan;
  }
  scan.directoryOffset = entry.DirectoryOffset;
  // Each member's data reach at least from its local header over the fixed header and its
  // compressed data: two such spans that meet are members sharing data.
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  do {
    scan.size = AddClamped(scan.size, entry.Size);
    scan.compressed = AddClamped(scan.compressed, entry.CompressedSize);
    spans.emplace_back(
        entry.HeaderOffset,
        AddClamped(entry.HeaderOffset, AddClamped(entry.CompressedSize, kLocalHeaderSize)));
    code = NextEntry(entry);
  } while (code == kUnzipOk);
  if (code != kNoMoreEntries) {
    scan.result = code;
    scan.problem = entry.Problem;
  }
  std::sort(spans.begin(), spans.end());
  std::int64_t reach = -1;
  std::int64_t reachStart = -1;
  scan.starts.reserve(spans.size());
  for (const auto& [start, end] : spans) {
    if (start < reach) {
      scan.overlapping.push_back(reachStart);
      scan.overlapping.push_back(start);
    }
    if (end > reach) {
      reach = end;
      reachStart = start;
    }
    if (scan.starts.empty() || scan.starts.back() != start) scan.starts.push_back(start);
  }
  std::sort(scan.overlapping.begin(), scan.overlapping.end());
  scan.overlapping.erase(std::unique(scan.overlapping.begin(), scan.overlapping.end()),
                         scan.overlapping.end());
  return scan;
}

bool DirectoryScan::Overlaps(std::int64_t headerOffset) const {
  return std::binary_search(overlapping.begin(), overlapping.end(), headerOffset);
}

std::int64_t DirectoryScan::DataLimit(std::int64_t headerOffset) const {
  std::int64_t limit = headerOffset < directoryOffset ? directoryOffset : -1;
  const auto next = std::upper_bound(starts.begin(), starts.end(), headerOffset);
  if (next != starts.end() && (limit < 0 || *next < limit)) limit = *next;
  return limit;
}

std::int64_t ArchiveSizes(const std::string& archivePath, std::int64_t& compressed) {
  const DirectoryScan scan = ScanDirectory(archivePath);
  compressed = scan.compressed;
  return scan.size;
}

}  // namespace unzip
