// The extraction driver (UnzipArchive) and the extraction of one member (ExtractMember), both
// on an extraction object of their own: local header, folder creation, output file, decoder
// dispatch, CRC check and time stamp.
#include "unzip/unzip.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "texts/error.h"
#include "unzip/decode_state.h"
#include "unzip/inflate.h"
#include "unzip/legacy.h"

namespace unzip {
namespace {

constexpr std::int32_t kDeferredSize = 2147483647;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;

// Set while an extraction is under way: a run of UnzipArchive, or ExtractMember outside one.
// A second one can only come from a report procedure of this one thread (one that lets the
// window system dispatch messages), and is refused with kInUse: it would write into the
// destination of one that is not finished.
bool gBusy = false;

// Holds that flag for one extraction when it was free.
class Busy {
 public:
  Busy() : taken_(!gBusy) { gBusy = true; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  ~Busy() {
    if (taken_) gBusy = false;
  }
  bool taken() const { return taken_; }

 private:
  bool taken_;
};

// 100 minus the nearest integer (halves to even) to 100 x compressed / size, modulo 256.
std::uint8_t Ratio(std::int32_t size, std::int32_t compressed) {
  if (size == 0) return 0;
  const double percent = std::nearbyint(100.0 * compressed / size);
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(100 - percent) & 0xFF);
}

std::int64_t AddClamped(std::int64_t a, std::int64_t b) {
  return a > std::numeric_limits<std::int64_t>::max() - b ? std::numeric_limits<std::int64_t>::max()
                                                          : a + b;
}

std::int32_t Clamp32(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(value);
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

// The first folder on the way from `folder` to the member `name` that is a link (or another
// reparse point), as a part of `name`; empty when there is none. For a folder entry the
// folder itself counts. `checked` holds the part of an earlier name already found free of
// links, so that members of one folder are looked at once: the folders it shares with `name`
// are not looked at again.
std::string LinkOnTheWay(const std::string& folder, const std::string& name, std::string& checked) {
  std::size_t from = 0;
  const std::size_t common = static_cast<std::size_t>(
      std::mismatch(checked.begin(), checked.end(), name.begin(), name.end()).first -
      checked.begin());
  if (common > 0) from = checked.rfind('\\', common - 1) + 1;
  for (std::size_t pos = name.find('\\', from); pos != std::string::npos;
       pos = name.find('\\', pos + 1)) {
    auto attributes = plat::FileAttributes(folder + name.substr(0, pos));
    if (!attributes.ok()) break;  // missing: nothing deeper exists either
    if ((attributes.value() & plat::kAttrReparsePoint) != 0) return name.substr(0, pos);
    checked = name.substr(0, pos + 1);
  }
  return {};
}

// Creates every missing folder of `path` up to its last "\" (the part after it is a file
// name, empty for a folder entry). A drive prefix ("C:") is not created; failures are left to
// the creation of the output file to report. The deepest folder is tried first and those above
// it only while it cannot be made, so that a member of a folder that exists costs one call.
void CreateFolders(const std::string& path) {
  std::size_t from = 0;
  if (path.size() >= 2 && path[1] == ':') from = 2;
  std::vector<std::size_t> ends;  // where each folder of the path ends
  for (std::size_t pos = path.find('\\', from); pos != std::string::npos;
       pos = path.find('\\', pos + 1)) {
    if (pos == 0 || path[pos - 1] == '\\' || (pos == 2 && from == 2)) continue;
    ends.push_back(pos);
  }
  std::size_t made = ends.size();
  for (; made > 0; --made) {
    const std::uint32_t e = plat::CreateDirectory(path.substr(0, ends[made - 1]));
    if (e == plat::kOk || e == plat::kAlreadyExists) break;
  }
  for (; made < ends.size(); ++made) plat::CreateDirectory(path.substr(0, ends[made]));
}

// One extraction: the archive it reads, opened once for all its members; the report
// procedure with its record; the decoding state with its work area; and the output file of
// the member being written, which the decoders reach through the state's sink. UnzipArchive
// makes one per run, ExtractMember outside a run one for its member.
class Extraction {
 public:
  Extraction(const std::string& archivePath, const ReportProc& report) : archivePath_(archivePath) {
    d_.report = report;
    d_.record = &record;
    d_.sink = [this](const std::uint8_t* data, std::size_t size) { return Write(data, size); };
  }
  Extraction(const Extraction&) = delete;
  Extraction& operator=(const Extraction&) = delete;

  // Extracts the member whose local header is at `headerOffset` into `outputPath`: a result
  // code; kFileError when closing or deleting its file failed, with the reason in words.
  std::int32_t Member(const std::string& outputPath, std::int64_t headerOffset,
                      const MemberLimits& limits, std::string* reason);

  void Report(std::int32_t first, std::int32_t status) {
    record.Status = status;
    if (d_.report) d_.report(first, &record);
  }

  void SetRecordName(const std::string& text) {
    const std::size_t n = std::min(text.size(), kMaxPath);
    std::memcpy(record.FileName, text.data(), n);
    record.FileName[n] = '\0';
  }

  ReportRecord record{};

 private:
  bool TakeLocalZip64(std::int64_t at, std::size_t length, std::uint64_t& size,
                      std::uint64_t& compressed);
  std::int32_t CopyStored();
  bool DescriptorCrcMatches(std::uint32_t actual);
  bool Write(const std::uint8_t* data, std::size_t size);
  // Shrink and implode start on a cleared work area and leave its history in use.
  void ClearWorkStart() {
    std::memset(work_, 0, kClearedStart);
    d_.historyClear = false;
  }

  std::string archivePath_;
  plat::File archive_;
  DecodeState d_;
  alignas(std::max_align_t) std::uint8_t work_[kWorkAreaSize];
  // The member's output: its file, the size it may not pass (-1: none), what was written.
  plat::Handle out_ = plat::kNoHandle;
  std::int64_t outputLimit_ = -1;
  std::int64_t written_ = 0;
  bool overflow_ = false;
};

// The Zip64 sizes of a local header's extra field, read from the archive (TakeZip64).
bool Extraction::TakeLocalZip64(std::int64_t at, std::size_t length, std::uint64_t& size,
                                std::uint64_t& compressed) {
  std::vector<std::uint8_t> extra(length);
  SeekInput(d_, at);
  return ReadInput(d_, extra.data(), length) &&
         TakeZip64(extra.data(), length, {&size, &compressed});
}

// Method 0: the data copied in pieces of up to 32768 bytes, through the work area behind the
// window so that inflate's cleared history stays cleared.
std::int32_t Extraction::CopyStored() {
  DecodeState& d = d_;
  std::uint8_t* const through = d.window + kWindowSize;
  while (d.bytesRead < d.compressedSize && !d.abort) {
    const std::size_t piece = static_cast<std::size_t>(
        std::min<std::int64_t>(d.compressedSize - d.bytesRead, kWindowSize));
    if (!ReadInput(d, through, piece)) return kReadError;
    if (!WriteOutput(d, through, piece)) return kWriteError;
    d.bytesRead += static_cast<std::int64_t>(piece);
  }
  return d.abort ? kAborted : kUnzipOk;
}

// The expected CRC behind the data of a member with general purpose flag bit 3: the four
// bytes after the compressed data, or the four after that when those are the optional
// data-descriptor signature "PK" 07 08 and the output's CRC is not the signature itself.
bool Extraction::DescriptorCrcMatches(std::uint32_t actual) {
  DumpBits(d_, d_.bitCount & 7);
  NeedBits(d_, 32);
  const std::uint32_t first = PeekBits(d_, 32);
  DumpBits(d_, 32);
  if (actual == first) return true;
  if (first != 0x08074B50u) return false;
  NeedBits(d_, 32);
  return actual == PeekBits(d_, 32);
}

// The decoders' output: written whole to the member's file unless it would pass the
// member's declared size.
bool Extraction::Write(const std::uint8_t* data, std::size_t size) {
  if (outputLimit_ >= 0 && written_ + static_cast<std::int64_t>(size) > outputLimit_) {
    overflow_ = true;
    return false;
  }
  for (std::size_t done = 0; done < size;) {
    auto r = plat::WriteFile(out_, data + done, size - done);
    if (!r.ok() || r.value() == 0) return false;
    done += r.value();
  }
  written_ += static_cast<std::int64_t>(size);
  return true;
}

std::int32_t Extraction::Member(const std::string& outputPath, std::int64_t headerOffset,
                                const MemberLimits& limits, std::string* reason) {
  const auto fail = [reason](std::int32_t code, std::string why) {
    if (reason != nullptr) *reason = std::move(why);
    return code;
  };
  DecodeState& d = d_;
  if (!archive_.valid()) {
    auto opened = plat::File::Open(archivePath_, plat::OpenMode::kRead);
    if (!opened.ok()) return kReadError;
    archive_ = std::move(opened.value());
    d.archive = archive_.get();
    ForgetInput(d);
  }
  d.window = work_;
  d.w = 0;

  std::uint8_t header[kLocalHeaderSize];
  SeekInput(d, headerOffset);
  if (!ReadInput(d, header, kLocalHeaderSize)) {
    return fail(kStructureError, "its local header cannot be read");
  }
  if (Get32(header) != 0x04034B50u) {
    return fail(kStructureError, "there is no local header where the central directory points");
  }

  const std::size_t extraLength = Get16(header + 28);
  const std::int64_t dataOffset =
      headerOffset + static_cast<std::int64_t>(kLocalHeaderSize + Get16(header + 26) + extraLength);
  const std::uint16_t flags = Get16(header + 6);
  const std::uint16_t method = Get16(header + 8);
  const std::uint32_t dosTime = Get32(header + 10);
  const bool deferred = (flags & kFlagDataDescriptor) != 0;
  const std::uint32_t expectedCrc = Get32(header + 14);
  std::uint64_t localCompressed = Get32(header + 18);
  std::uint64_t localSize = Get32(header + 22);
  // Zip64: the sizes that do not fit 32 bits are in the local extra field (the central
  // directory's serve when the field is missing).
  if (!deferred && (localCompressed == kNo32 || localSize == kNo32) &&
      !TakeLocalZip64(dataOffset - static_cast<std::int64_t>(extraLength), extraLength, localSize,
                      localCompressed)) {
    if (localSize == kNo32 && limits.centralSize >= 0) {
      localSize = static_cast<std::uint64_t>(limits.centralSize);
    }
    if (localCompressed == kNo32 && limits.centralCompressedSize >= 0) {
      localCompressed = static_cast<std::uint64_t>(limits.centralCompressedSize);
    }
  }
  const std::int64_t maxSize = std::numeric_limits<std::int64_t>::max() / 2;
  std::int64_t compressedSize =
      static_cast<std::int64_t>(std::min<std::uint64_t>(localCompressed, maxSize));
  std::int64_t uncompressedSize =
      static_cast<std::int64_t>(std::min<std::uint64_t>(localSize, maxSize));
  if (deferred) {
    compressedSize = kDeferredSize;
    uncompressedSize = kDeferredSize;
  }
  // Output beyond the declared size is refused (a member that would fill the disk): the
  // header's size, or for deferred sizes the central directory's.
  std::int64_t outputLimit = limits.centralSize;
  if (!deferred) outputLimit = uncompressedSize;
  // A member with deferred sizes is as long as the central directory says: a stored one has
  // no end marker of its own, and a deflated one may pass 2 GB.
  if (deferred && limits.centralCompressedSize >= 0 &&
      (method == 0 || limits.centralCompressedSize >= kDeferredSize)) {
    compressedSize = std::min(limits.centralCompressedSize, maxSize);
  }
  // The data end where the next member or the directory begins; beyond, they are another's.
  const std::int64_t dataSize =
      deferred ? std::min(limits.centralCompressedSize, maxSize) : compressedSize;
  if (limits.dataLimit >= 0 && dataSize >= 0 && dataOffset + dataSize > limits.dataLimit) {
    return fail(kStructureError, "its data run into the next member or the central directory");
  }

  if (method != 0 && method != 1 && method != 6 && method != 8) {
    return fail(kUnsupportedMethod, "compression method " + std::to_string(method));
  }
  if ((flags & kFlagEncrypted) != 0) return kEncrypted;

  SeekInput(d, dataOffset);

  const bool isFolder =
      !outputPath.empty() && (outputPath.back() == '\\' || outputPath.back() == '/');
  plat::Result<plat::File> output = plat::Result<plat::File>::failure(plat::kPathNotFound);
  if (!isFolder) output = plat::File::Open(outputPath, plat::OpenMode::kReplace);
  if (isFolder || output.error == plat::kPathNotFound) {
    CreateFolders(outputPath);
    if (isFolder) return kUnzipOk;
    output = plat::File::Open(outputPath, plat::OpenMode::kReplace);
  }
  if (!output.ok()) return kWriteError;
  plat::File out = std::move(output.value());

  out_ = out.get();
  outputLimit_ = outputLimit;
  written_ = 0;
  overflow_ = false;
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
      ClearWorkStart();
      result = Unshrink(d);
      break;
    case 6:
      ClearWorkStart();
      result = Explode(d);
      break;
    default:
      result = Inflate(d);
      break;
  }
  if (overflow_) {
    result = kStructureError;
    if (reason != nullptr) *reason = "it grows beyond its declared size";
  }
  bool crcOk = false;
  const std::uint32_t actual = ~d.crc;
  if (result == kUnzipOk) {
    // The stored copy read the archive directly: the descriptor is what follows.
    if (method == 0) d.inputLeft = 16;
    crcOk = deferred ? DescriptorCrcMatches(actual) : actual == expectedCrc;
  }

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
    return fail(kFileError, setup::InOutErrorText(e));
  }
  if (result != kUnzipOk || !crcOk) {
    if (const std::uint32_t e = plat::DeleteFile(outputPath); e != plat::kOk) {
      return fail(kFileError, setup::InOutErrorText(e));
    }
    return result != kUnzipOk ? result : kCrcError;
  }
  return kUnzipOk;
}

}  // namespace

std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int32_t headerOffset) {
  return ExtractMember(archivePath, outputPath, static_cast<std::uint32_t>(headerOffset),
                       MemberLimits{});
}

std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int64_t headerOffset, const MemberLimits& limits,
                           std::string* reason) {
  const Busy busy;
  if (!busy.taken()) return kInUse;
  return std::make_unique<Extraction>(archivePath, nullptr)
      ->Member(outputPath, headerOffset, limits, reason);
}

std::int32_t UnzipArchive(const std::string& archivePath, const std::string& destination,
                          const std::string& mask, const ReportProc& report, OverwriteQuery query,
                          std::int32_t* lastFailure, RunFailure* detail) {
  if (lastFailure != nullptr) *lastFailure = 0;
  if (detail != nullptr) *detail = RunFailure{};
  const auto noteFailure = [&](std::int32_t code, std::string member, std::string reason) {
    if (lastFailure != nullptr) *lastFailure = code;
    if (detail != nullptr) *detail = RunFailure{code, std::move(member), std::move(reason)};
  };
  if (archivePath.empty() || destination.empty() || archivePath.size() > kMaxPath) {
    return kMissingParameter;
  }
  std::string folder = destination;
  if (folder.back() != '\\') folder += '\\';
  if (folder.size() > kMaxPath) return kMissingParameter;
  const Busy busy;
  if (!busy.taken()) return kInUse;
  if (!IsZipFile(archivePath)) {
    if (const char* why = NotZipReason(archivePath)) noteFailure(kNotAZip, {}, why);
    return kNotAZip;
  }

  // The whole directory is read once first: a damaged one is refused before anything is
  // written, and members whose data overlap are known before the first is extracted.
  const auto run = std::make_unique<Extraction>(archivePath, report);
  ReportRecord& record = run->record;
  const DirectoryScan scan = ScanDirectory(archivePath);
  if (report) {
    run->SetRecordName(archivePath);
    record.Size = Clamp32(scan.size);
    record.CompressedSize = Clamp32(scan.compressed);
    record.Ratio = Ratio(record.Size, record.CompressedSize);
    run->Report(kReportArchiveStart, kReportArchiveStart);
  }

  std::int32_t count = 0;
  std::int64_t matchedSize = 0;
  std::int64_t matchedCompressed = 0;
  std::string checkedFolders;
  EntryRecord entry;
  std::int32_t code = scan.result;
  const char* problem = scan.problem;
  if (code == kUnzipOk) {
    code = FirstEntry(archivePath, entry);
    problem = entry.Problem;
  }
  while (code == kUnzipOk) {
    if (!MatchesMask(mask, entry.FileName)) {
      code = NextEntry(entry);
      problem = entry.Problem;
      continue;
    }
    matchedSize = AddClamped(matchedSize, entry.Size);
    matchedCompressed = AddClamped(matchedCompressed, entry.CompressedSize);
    const std::string name = entry.FileName;
    const std::string outputPath = folder + name;
    run->SetRecordName(outputPath);
    record.Time = entry.Time;
    record.Size = Clamp32(entry.Size);
    record.CompressedSize = Clamp32(entry.CompressedSize);
    record.Method = entry.Method;
    record.Attributes = entry.Attributes;
    record.Ratio = Ratio(record.Size, record.CompressedSize);
    run->Report(kReportMemberStart, kReportMemberStart);

    bool skip = false;
    std::string reason;
    std::string link;
    if (outputPath.size() > kMaxPath) {
      code = kWriteError;
      reason = "its output path is longer than 259 characters";
    } else if (entry.Fault != NameFault::kNone) {
      code = kWriteError;
      reason = entry.Fault == NameFault::kMalformedUtf8
                   ? "invalid name: flagged UTF-8 but not valid UTF-8"
                   : "invalid name: it holds a character that code page 1250 lacks";
    } else if (IsUnsafeName(name)) {
      code = kStructureError;
      reason = "its name reaches outside the destination";
    } else if (scan.Overlaps(entry.HeaderOffset)) {
      code = kStructureError;
      reason = "its data overlap another member's";
    } else if (link = LinkOnTheWay(folder, name, checkedFolders); !link.empty()) {
      code = kWriteError;
      reason = "its way goes through a link: " + link;
    } else {
      if (query != nullptr && plat::FileAttributes(outputPath).ok()) skip = !query(&record);
      code = skip ? kUnzipOk
                  : run->Member(outputPath, entry.HeaderOffset,
                                MemberLimits{entry.Size, entry.CompressedSize,
                                             scan.DataLimit(entry.HeaderOffset)},
                                &reason);
    }
    if (code == kUnzipOk) {
      if (!skip) {
        ++count;
        run->Report(kReportMemberDone, kReportMemberDone);
      }
      code = NextEntry(entry);
      problem = entry.Problem;
      continue;
    }
    if (code == kFileError) {
      // An input/output error of the member's file (a failed close or delete) stops the run
      // at once, as the archive's file error.
      noteFailure(code, {}, reason);
      return kFileError;
    }
    noteFailure(code, name, reason);
    record.Status = kReportMemberFailed;
    switch (code) {
      case kCrcError:
      case kWriteError:
      case kUnsupportedMethod:
      case kEncrypted:
        run->Report(code, kReportMemberFailed);
        break;
      case kReadError:
      case kStructureError:
      case kAborted:
      case kInUse:
      case kZipFormatError:
        run->Report(kReportSerious, kReportSerious);
        return kSeriousError;
      default:
        break;
    }
    code = kUnzipOk;
    break;
  }
  // A directory that cannot be found, read to its end or that lacks entries it counts is no
  // complete run; the caller learns why.
  if (code == kFileError || code == kZipFormatError) {
    noteFailure(code, {}, problem != nullptr ? problem : "");
  }
  CloseEntries(entry);
  run->SetRecordName(archivePath);
  record.Time = -1;
  record.Attributes = -1;
  record.Method = 0;
  record.Size = Clamp32(matchedSize);
  record.CompressedSize = Clamp32(matchedCompressed);
  record.Ratio = Ratio(record.Size, record.CompressedSize);
  run->Report(kReportArchiveEnd, kReportArchiveEnd);
  return count;
}

}  // namespace unzip
