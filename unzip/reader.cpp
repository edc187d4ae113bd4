// The central directory reader: recognising an archive, finding the end-of-central-directory
// record, walking the directory entry by entry (in one piece, or through a sliding window
// for large directories), the member mask and the archive's size totals.
#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "unzip/unzip.h"

namespace unzip {
namespace {

constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kSearchWindow = 4096;

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
bool IsSignature(const std::uint8_t* p, std::uint8_t a, std::uint8_t b) {
  return p[0] == 'P' && p[1] == 'K' && p[2] == a && p[3] == b;
}

// Reads exactly `size` bytes at `offset`; false on a failed seek or a short read.
bool ReadAt(plat::Handle file, std::int64_t offset, std::uint8_t* buffer, std::size_t size) {
  if (!plat::SeekFile(file, offset, plat::SeekOrigin::kBegin).ok()) return false;
  std::size_t done = 0;
  while (done < size) {
    auto got = plat::ReadFile(file, buffer + done, size - done);
    if (!got.ok() || got.value == 0) return false;
    done += got.value;
  }
  return true;
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
    if (got.value == 0) break;
    filled += got.value;
  }
  e.Valid = static_cast<std::uint32_t>(filled);
  e.Position = 0;
  return true;
}

std::int32_t ParseEntry(EntryRecord& e) {
  if (e.Buffer == nullptr) return kNoMoreEntries;
  if (e.BufferSize == kDirectoryWindow) {
    const std::size_t length = HeaderLength(e);
    // A read that fails while the window slides is no end of the directory.
    if ((length == 0 || Remaining(e) < length) && !SlideWindow(e)) {
      CloseEntries(e);
      return kFileError;
    }
  }
  const std::uint8_t* p = e.Buffer.get() + e.Position;
  const std::size_t length = HeaderLength(e);
  if ((Remaining(e) >= 4 && IsSignature(p, 5, 6)) || length == 0 || Remaining(e) < length ||
      !IsSignature(p, 1, 2)) {
    CloseEntries(e);
    return kNoMoreEntries;
  }
  e.Attributes = p[5] == 0 ? p[38] : 0;
  e.Method = Get16(p + 10);
  e.Time = static_cast<std::int32_t>(Get32(p + 12));
  e.CompressedSize = static_cast<std::int32_t>(Get32(p + 20));
  e.Size = static_cast<std::int32_t>(Get32(p + 24));
  e.HeaderOffset = static_cast<std::int32_t>(Get32(p + 42));
  const std::size_t nameLength = std::min<std::size_t>(Get16(p + 28), kMaxPath);
  std::memcpy(e.FileName, p + kCentralHeaderSize, nameLength);
  e.FileName[nameLength] = '\0';
  std::replace(e.FileName, e.FileName + nameLength, '/', '\\');
  e.Position = static_cast<std::uint16_t>(e.Position + length);
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

bool IsZipFile(const std::string& path) {
  if (path.find('.') == std::string::npos || path.find(".exe") != std::string::npos) {
    return false;
  }
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  auto attributes = plat::FileAttributes(folder);
  if (attributes.ok() && (attributes.value & plat::kAttrDirectory) != 0) return false;
  auto file = plat::File::Open(path, plat::OpenMode::kRead);
  if (!file.ok()) return false;
  std::uint8_t head[4];
  return ReadAt(file.value.get(), 0, head, sizeof head) && IsSignature(head, 3, 4);
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
  auto opened = plat::File::Open(archivePath, plat::OpenMode::kRead);
  if (!opened.ok()) return kFileError;
  plat::File file = std::move(opened.value);
  auto size = plat::FileSize(file.get());
  if (!size.ok() || size.value == 0) return kFileError;

  const std::int64_t end = FindEndRecord(file.get(), size.value);
  if (end < 0) return kFileError;
  std::uint8_t record[kEndRecordSize];
  if (!ReadAt(file.get(), end, record, 20)) return kFileError;
  if (end < static_cast<std::int64_t>(kCentralHeaderSize)) return kZipFormatError;
  const std::int64_t directory = Get32(record + 16);
  const std::int64_t span = end - directory + 4;
  if (span < 4) return kFileError;

  if (span < kDirectoryWindow) {
    entry.Buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(span) + 1);
    if (!ReadAt(file.get(), directory, entry.Buffer.get(), static_cast<std::size_t>(span))) {
      CloseEntries(entry);
      return kFileError;
    }
    entry.BufferSize = static_cast<std::uint16_t>(span);
  } else {
    entry.Buffer = std::make_unique<std::uint8_t[]>(kDirectoryWindow + 1);
    if (!ReadAt(file.get(), directory, entry.Buffer.get(), kDirectoryWindow)) {
      CloseEntries(entry);
      return kFileError;
    }
    entry.BufferSize = kDirectoryWindow;
    entry.Archive = std::move(file);
  }
  entry.Valid = entry.BufferSize;
  entry.Position = 0;
  // An end record that counts entries whose directory holds none where it says is damaged:
  // it must not read as an empty archive.
  const std::int32_t first = ParseEntry(entry);
  if (first == kNoMoreEntries && Get16(record + 10) > 0) return kZipFormatError;
  return first;
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

std::int64_t ArchiveSizes(const std::string& archivePath, std::int64_t& compressed) {
  compressed = 0;
  std::int64_t fileSize = 0;
  {
    auto file = plat::File::Open(archivePath, plat::OpenMode::kRead);
    if (!file.ok()) return 0;
    auto size = plat::FileSize(file.value.get());
    if (size.ok()) fileSize = size.value;
  }
  EntryRecord entry;
  if (FirstEntry(archivePath, entry) != kUnzipOk) {
    compressed = fileSize;
    return fileSize;
  }
  std::int64_t total = 0;
  do {
    total += static_cast<std::uint32_t>(entry.Size);
    compressed += static_cast<std::uint32_t>(entry.CompressedSize);
  } while (NextEntry(entry) == kUnzipOk);
  return total;
}

}  // namespace unzip
