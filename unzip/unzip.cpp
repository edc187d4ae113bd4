// The extraction driver (UnzipArchive) and the extraction of one member (ExtractMember): local
// header, folder creation, output file, decoder dispatch, CRC check and time stamp.
#include "unzip/unzip.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/files.h"
#include "texts/error.h"
#include "unzip/decode_state.h"
#include "unzip/inflate.h"
#include "unzip/legacy.h"

namespace unzip {
namespace {

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::int32_t kDeferredSize = 2147483647;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;

bool gExtracting = false;  // the extraction lock: ExtractMember is under way
bool gRunning = false;     // an UnzipArchive run is under way
ReportRecord gRecord;

// The archive of the current run, opened once and lent to each of its members.
struct RunArchive {
  std::string path;
  plat::File file;
};
RunArchive gRunArchive;

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// 100 minus the nearest integer (halves to even) to 100 x compressed / size, modulo 256.
std::uint8_t Ratio(std::int32_t size, std::int32_t compressed) {
  if (size == 0) return 0;
  const double percent = std::nearbyint(100.0 * compressed / size);
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(100 - percent) & 0xFF);
}

std::int32_t Clamp32(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
}

void SetRecordName(const std::string& text) {
  const std::size_t n = std::min(text.size(), kMaxPath);
  std::memcpy(gRecord.FileName, text.data(), n);
  gRecord.FileName[n] = '\0';
}

// Absolute names, drive letters or streams (":"), and ".." components would write outside
// the destination. A component of dots and blanks only with two or more dots counts as ".."
// (Windows drops trailing dots and blanks from names).
bool IsUnsafeName(const std::string& name) {
  if (name.empty()) return false;
  if (name.front() == '\\' || name.find(':') != std::string::npos) return true;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('\\', start);
    if (end == std::string::npos) end = name.size();
    const std::string_view part(name.data() + start, end - start);
    const std::size_t dots = static_cast<std::size_t>(std::count(part.begin(), part.end(), '.'));
    if (dots >= 2 && part.find_first_not_of(". ") == std::string_view::npos) return true;
    start = end + 1;
  }
  return false;
}

// Creates every missing folder of `path` up to its last "\" (the part after it is a file
// name, empty for a folder entry). A drive prefix ("C:") is not created; failures are left to
// the creation of the output file to report.
void CreateFolders(const std::string& path) {
  std::size_t from = 0;
  if (path.size() >= 2 && path[1] == ':') from = 2;
  for (std::size_t pos = path.find('\\', from); pos != std::string::npos;
       pos = path.find('\\', pos + 1)) {
    if (pos == 0 || path[pos - 1] == '\\' || (pos == 2 && from == 2)) continue;
    plat::CreateDirectory(path.substr(0, pos));
  }
}

// The work area of the member being extracted, cleared for each member.
std::uint8_t gWorkArea[kWorkAreaSize];

// Holds the extraction lock and the work area for one member; releases both on every path.
// What was read of the run's archive stays buffered for the next member; an archive of the
// member's own is forgotten with it.
class MemberScope {
 public:
  MemberScope() {
    gExtracting = true;
    std::memset(gWorkArea, 0, sizeof gWorkArea);
    gDecode.window = gWorkArea;
    gDecode.w = 0;
  }
  MemberScope(const MemberScope&) = delete;
  MemberScope& operator=(const MemberScope&) = delete;
  ~MemberScope() {
    gDecode.window = nullptr;
    gDecode.sink = nullptr;
    gDecode.archive = plat::kNoHandle;
    if (ownArchive) ForgetInput();
    gExtracting = false;
  }

  bool ownArchive = false;
};

// Holds the run's report procedure; clears it on every way out.
class RunScope {
 public:
  RunScope(ReportProc report, const std::string& archivePath) {
    auto opened = plat::File::Open(archivePath, plat::OpenMode::kRead);
    if (opened.ok()) {
      gRunArchive.path = archivePath;
      gRunArchive.file = std::move(opened.value);
    }
    gRunning = true;
    ForgetInput();
    gDecode.report = report;
    gDecode.record = &gRecord;
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
  ~RunScope() {
    gRunArchive.file.reset();
    gRunArchive.path.clear();
    ForgetInput();
    gDecode.report = nullptr;
    gDecode.record = nullptr;
    gRunning = false;
  }
};

void Report(ReportProc report, std::int32_t first, std::int32_t status) {
  gRecord.Status = status;
  if (report != nullptr) report(first, &gRecord);
}

// Method 0: the data copied through the window in pieces of up to 32768 bytes.
std::int32_t CopyStored() {
  DecodeState& d = gDecode;
  while (d.bytesRead < d.compressedSize && !d.abort) {
    const std::size_t piece = static_cast<std::size_t>(
        std::min<std::int64_t>(d.compressedSize - d.bytesRead, kWindowSize));
    if (!ReadInput(d.window, piece)) return kReadError;
    if (!FlushWindow(piece)) return kWriteError;
    d.bytesRead += static_cast<std::int64_t>(piece);
  }
  return d.abort ? kAborted : kUnzipOk;
}

// The expected CRC behind the data of a member with general purpose flag bit 3: the four
// bytes after the compressed data, or the four after that when those are the optional
// data-descriptor signature "PK" 07 08 and the output's CRC is not the signature itself.
bool DescriptorCrcMatches(std::uint32_t actual) {
  DumpBits(gDecode.bitCount & 7);
  NeedBits(32);
  const std::uint32_t first = PeekBits(32);
  DumpBits(32);
  if (actual == first) return true;
  if (first != 0x08074B50u) return false;
  NeedBits(32);
  return actual == PeekBits(32);
}

}  // namespace

std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int32_t headerOffset) {
  return ExtractMember(archivePath, outputPath, headerOffset, -1, -1);
}

std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int32_t headerOffset, std::int64_t centralSize,
                           std::int64_t centralCompressedSize) {
  if (gExtracting) return kInUse;
  MemberScope scope;
  DecodeState& d = gDecode;

  // The run's archive when it is this one, else an own handle.
  plat::File own;
  plat::Handle archive = plat::kNoHandle;
  if (gRunArchive.file.valid() && gRunArchive.path == archivePath) {
    archive = gRunArchive.file.get();
  } else {
    auto opened = plat::File::Open(archivePath, plat::OpenMode::kRead);
    if (!opened.ok()) return kReadError;
    own = std::move(opened.value);
    archive = own.get();
    scope.ownArchive = true;
    ForgetInput();
  }
  d.archive = archive;

  std::uint8_t header[kLocalHeaderSize];
  const std::int64_t offset = static_cast<std::uint32_t>(headerOffset);
  SeekInput(offset);
  if (!ReadInput(header, kLocalHeaderSize)) return kStructureError;
  if (Get32(header) != 0x04034B50u) return kStructureError;

  const std::int64_t dataOffset =
      offset + kLocalHeaderSize + Get16(header + 26) + Get16(header + 28);
  const std::uint16_t flags = Get16(header + 6);
  const std::uint16_t method = Get16(header + 8);
  const std::uint32_t dosTime = Get32(header + 10);
  const bool deferred = (flags & kFlagDataDescriptor) != 0;
  std::uint32_t expectedCrc = Get32(header + 14);
  std::int32_t compressedSize = static_cast<std::int32_t>(Get32(header + 18));
  std::int32_t uncompressedSize = static_cast<std::int32_t>(Get32(header + 22));
  if (deferred) {
    compressedSize = kDeferredSize;
    uncompressedSize = kDeferredSize;
  }
  // Output beyond the declared size is refused (a member that would fill the disk): the
  // header's size, or for deferred sizes the central directory's.
  std::int64_t outputLimit = centralSize;
  if (!deferred) outputLimit = static_cast<std::uint32_t>(Get32(header + 22));
  // A stored member with deferred sizes has no end marker of its own: it is as long as the
  // central directory says.
  if (deferred && method == 0 && centralCompressedSize >= 0 &&
      centralCompressedSize < kDeferredSize) {
    compressedSize = static_cast<std::int32_t>(centralCompressedSize);
  }

  if (method != 0 && method != 1 && method != 6 && method != 8) return kUnsupportedMethod;
  if ((flags & kFlagEncrypted) != 0) return kEncrypted;

  SeekInput(dataOffset);

  const bool isFolder =
      !outputPath.empty() && (outputPath.back() == '\\' || outputPath.back() == '/');
  plat::Result<plat::File> output = plat::Result<plat::File>::failure(plat::kPathNotFound);
  if (!isFolder) output = plat::File::Open(outputPath, plat::OpenMode::kCreate);
  if (isFolder || output.error == plat::kPathNotFound) {
    CreateFolders(outputPath);
    if (isFolder) return kUnzipOk;
    output = plat::File::Open(outputPath, plat::OpenMode::kCreate);
  }
  if (!output.ok()) return kWriteError;
  plat::File out = std::move(output.value);

  bool overflow = false;
  std::int64_t written = 0;
  d.sink = [&](const std::uint8_t* data, std::size_t size) {
    if (outputLimit >= 0 && written + static_cast<std::int64_t>(size) > outputLimit) {
      overflow = true;
      return false;
    }
    std::size_t done = 0;
    while (done < size) {
      auto r = plat::WriteFile(out.get(), data + done, size - done);
      if (!r.ok() || r.value == 0) return false;
      done += r.value;
    }
    written += static_cast<std::int64_t>(size);
    return true;
  };
  d.inputLeft = static_cast<std::int64_t>(compressedSize) + 2;
  d.bitBuffer = 0;
  d.bitCount = 0;
  d.compressedSize = compressedSize;
  d.uncompressedSize = uncompressedSize;
  d.bytesRead = 0;
  d.generalFlags = flags;
  d.endOfInput = false;
  d.abort = false;
  d.crc = 0xFFFFFFFFu;

  std::int32_t result;
  switch (method) {
    case 0:
      result = CopyStored();
      break;
    case 1:
      result = Unshrink();
      break;
    case 6:
      result = Explode();
      break;
    default:
      result = Inflate();
      break;
  }
  if (overflow) result = kStructureError;
  bool crcOk = false;
  const std::uint32_t actual = ~d.crc;
  if (result == kUnzipOk) {
    // The stored copy read the archive directly: the descriptor is what follows.
    if (method == 0) d.inputLeft = 16;
    crcOk = deferred ? DescriptorCrcMatches(actual) : actual == expectedCrc;
  }

  d.archive = plat::kNoHandle;
  if (const std::uint32_t e = own.close(); e != plat::kOk) throw setup::InOutError(e);
  // The time stamp is set through the handle that wrote the file, after the last write; a
  // date that cannot be converted leaves the time of writing.
  if (result == kUnzipOk && crcOk) {
    plat::SetFileTimeFromDos(out.get(), static_cast<std::uint16_t>(dosTime >> 16),
                             static_cast<std::uint16_t>(dosTime & 0xFFFF));
  }
  // A close that fails may have lost what was written last: the file goes, as after any
  // failed member.
  if (const std::uint32_t e = out.close(); e != plat::kOk) {
    plat::DeleteFile(outputPath);
    throw setup::InOutError(e);
  }

  if (result != kUnzipOk || !crcOk) {
    if (const std::uint32_t e = plat::DeleteFile(outputPath); e != plat::kOk) {
      throw setup::InOutError(e);
    }
    return result != kUnzipOk ? result : kCrcError;
  }
  return kUnzipOk;
}

std::int32_t UnzipArchive(const std::string& archivePath, const std::string& destination,
                          const std::string& mask, ReportProc report, OverwriteQuery query,
                          std::int32_t* lastFailure) {
  if (lastFailure != nullptr) *lastFailure = 0;
  if (archivePath.empty() || destination.empty() || archivePath.size() > kMaxPath) {
    return kMissingParameter;
  }
  std::string folder = destination;
  if (folder.back() != '\\') folder += '\\';
  if (folder.size() > kMaxPath) return kMissingParameter;
  if (gRunning) return kInUse;
  if (!IsZipFile(archivePath)) return kNotAZip;

  std::memset(&gRecord, 0, sizeof gRecord);
  std::int64_t allCompressed = 0;
  const std::int64_t allSize = ArchiveSizes(archivePath, allCompressed);
  if (report != nullptr) {
    SetRecordName(archivePath);
    gRecord.Size = Clamp32(allSize);
    gRecord.CompressedSize = Clamp32(allCompressed);
    gRecord.Ratio = Ratio(gRecord.Size, gRecord.CompressedSize);
    Report(report, kReportArchiveStart, kReportArchiveStart);
  }

  RunScope run(report, archivePath);
  std::int32_t count = 0;
  std::int64_t matchedSize = 0;
  std::int64_t matchedCompressed = 0;
  EntryRecord entry;
  std::int32_t code = FirstEntry(archivePath, entry);
  while (code == kUnzipOk) {
    if (!MatchesMask(mask, entry.FileName)) {
      code = NextEntry(entry);
      continue;
    }
    matchedSize += static_cast<std::uint32_t>(entry.Size);
    matchedCompressed += static_cast<std::uint32_t>(entry.CompressedSize);
    const std::string name = entry.FileName;
    const std::string outputPath = folder + name;
    SetRecordName(outputPath);
    gRecord.Time = entry.Time;
    gRecord.Size = entry.Size;
    gRecord.CompressedSize = entry.CompressedSize;
    gRecord.Method = entry.Method;
    gRecord.Attributes = entry.Attributes;
    gRecord.Ratio = Ratio(entry.Size, entry.CompressedSize);
    Report(report, kReportMemberStart, kReportMemberStart);

    bool skip = false;
    if (outputPath.size() > kMaxPath) {
      code = kWriteError;
    } else if (IsUnsafeName(name)) {
      code = kStructureError;
    } else {
      if (query != nullptr && plat::FileAttributes(outputPath).ok()) skip = !query(&gRecord);
      code = skip ? kUnzipOk
                  : ExtractMember(archivePath, outputPath, entry.HeaderOffset,
                                  static_cast<std::uint32_t>(entry.Size),
                                  static_cast<std::uint32_t>(entry.CompressedSize));
    }
    if (code == kUnzipOk) {
      if (!skip) {
        ++count;
        Report(report, kReportMemberDone, kReportMemberDone);
      }
      code = NextEntry(entry);
      continue;
    }
    if (lastFailure != nullptr) *lastFailure = code;
    gRecord.Status = kReportMemberFailed;
    switch (code) {
      case kCrcError:
      case kWriteError:
      case kUnsupportedMethod:
      case kEncrypted:
        Report(report, code, kReportMemberFailed);
        break;
      case kReadError:
      case kStructureError:
      case kAborted:
      case kInUse:
      case kZipFormatError:
      case kFileError:
        Report(report, kReportSerious, kReportSerious);
        return kSeriousError;
      default:
        break;
    }
    break;
  }
  // A directory that cannot be found or read to its end is no complete run; the caller
  // learns why.
  if (lastFailure != nullptr && (code == kFileError || code == kZipFormatError)) {
    *lastFailure = code;
  }
  CloseEntries(entry);
  SetRecordName(archivePath);
  gRecord.Time = -1;
  gRecord.Attributes = -1;
  gRecord.Method = 0;
  gRecord.Size = Clamp32(matchedSize);
  gRecord.CompressedSize = Clamp32(matchedCompressed);
  gRecord.Ratio = Ratio(gRecord.Size, gRecord.CompressedSize);
  Report(report, kReportArchiveEnd, kReportArchiveEnd);
  return count;
}

}  // namespace unzip
