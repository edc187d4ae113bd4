// Record types and result codes of the zip extractor: the central directory reader's
// EntryRecord and the progress report's ReportRecord.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/files.h"

namespace unzip {

// Result codes of the extractor. Negative codes are failures; 1 is a malformed dynamic
// deflate block header, which ends a run without a report.
enum Result : std::int32_t {
  kUnzipOk = 0,
  kBadHuffmanHeader = 1,
  kCrcError = -1,
  kWriteError = -2,
  kReadError = -3,
  kStructureError = -4,
  kAborted = -5,
  kUnsupportedMethod = -6,
  kEncrypted = -7,
  kInUse = -8,
  kZipFormatError = -9,
  kNoMoreEntries = -10,
  kFileError = -11,
  kNotAZip = -12,
  kSeriousError = -100,
  kMissingParameter = -500,
};

// Statuses of the progress reports.
enum ReportStatus : std::int32_t {
  kReportMemberStart = -1000,
  kReportWrite = -1001,
  kReportMemberDone = -1002,
  kReportMemberFailed = -1003,
  kReportArchiveStart = -1004,
  kReportArchiveEnd = -1005,
  kReportSerious = -100,
};

// Longest path or member name, without its terminating zero.
inline constexpr std::size_t kMaxPath = 259;
// A central directory spanning this many bytes or more is read through a window of this size.
inline constexpr std::uint16_t kDirectoryWindow = 64000;

// Why a member's name cannot be used as it is stored.
enum class NameFault : std::uint8_t {
  kNone,
  kMalformedUtf8,  // flagged UTF-8 (or given in a Unicode path field) but not valid UTF-8
  kNotInCodePage,  // a character that code page 1250 has no byte for
};

// The central directory reader's state and its current entry. The reader owns the buffer
// and, in window mode, the open archive; both are released by CloseEntries or on
// destruction. Sizes and offsets are 64-bit: Zip64 entries carry them in an extra field.
struct EntryRecord {
  std::unique_ptr<std::uint8_t[]> Buffer;  // null when the reader is closed
  std::uint16_t BufferSize = 0;            // kDirectoryWindow marks window mode
  std::uint16_t Position = 0;              // offset of the next entry to parse
  std::int32_t Time = 0;                   // DOS time (low 16 bits) and date (high 16 bits)
  std::int64_t Size = 0;
  std::int64_t CompressedSize = 0;
  std::int64_t HeaderOffset = 0;
  char FileName[kMaxPath + 1] = {};  // "/" replaced by "", at most 259 characters
  std::uint16_t Method = 0;
  std::uint8_t Attributes = 0;         // DOS attribute byte, 0 when not made on MS-DOS
  std::uint16_t Flags = 0;             // general purpose flags of the central header
  NameFault Fault = NameFault::kNone;  // FileName is then only a stand-in for reports

  // Window mode only: the archive kept open and the number of valid bytes in Buffer.
  plat::File Archive;
  std::uint32_t Valid = 0;

  // The count check: entries parsed so far and what the end record says there are (a 16-bit
  // count of a plain end record may have wrapped past 65535).
  std::uint64_t Parsed = 0;
  std::uint64_t Expected = 0;
  bool ExpectedWraps = false;
  std::int64_t DirectoryOffset = 0;  // where the central directory starts
  // Why the walk failed, in words, when a reader call returned kZipFormatError or
  // kFileError; null otherwise.
  const char* Problem = nullptr;

  EntryRecord() = default;
  EntryRecord(const EntryRecord&) = delete;
  EntryRecord& operator=(const EntryRecord&) = delete;
};

#pragma pack(push, 1)
// The progress report handed to the report procedure by address; fields packed in this order.
struct ReportRecord {
  char FileName[kMaxPath + 1];  // archive path (archive reports) or output path (member reports)
  std::int32_t Time;            // DOS date and time; -1 in the archive end report
  std::int32_t Size;            // member size, or a total
  std::int32_t CompressedSize;  // member compressed size, or a total
  std::int32_t Attributes;      // attribute byte 0..255; -1 in the archive end report
  std::uint16_t Method;         // 0 in the archive end report
  std::uint8_t Ratio;           // 100 - round-half-even(100 * CompressedSize / Size), mod 256
  std::int32_t Status;          // a ReportStatus
};
#pragma pack(pop)

// A report procedure: the first argument is the status, except in write reports (the number
// of bytes written) and member-failure reports (the member's failure code).
using ReportProc = std::function<void(std::int32_t first, ReportRecord* record)>;

// Asked before extracting a member whose output file exists; false skips the member.
using OverwriteQuery = bool (*)(ReportRecord* record);

}  // namespace unzip
