// The zip extractor: the central directory reader, the extraction driver and the extraction
// of one member. Paths are Windows paths in code page 1250. One extraction at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unzip/ziptypes.h"

namespace unzip {

// True when `path` names a file (not a folder, not an ".exe") that starts with "PK" 03 04.
bool IsZipFile(const std::string& path);

// Why `path` is not taken as a zip archive, in words; null when it is one or when it cannot
// be opened (the code's own text says that).
const char* NotZipReason(const std::string& path);

// Open the reader on `archivePath` and parse its first central directory entry into `entry`.
// 0, kZipFormatError, kNoMoreEntries or kFileError; on a failure the reader is closed.
std::int32_t FirstEntry(const std::string& archivePath, EntryRecord& entry);
// Parse the next entry. 0; kNoMoreEntries at the end of a directory that held every entry its
// end record counts; kZipFormatError when it ends before (or holds more); kFileError when a
// large directory cannot be read further. The reader is closed on any of these; `Problem`
// says why in words.
std::int32_t NextEntry(EntryRecord& entry);
// Release the reader's buffer and archive; a closed reader is left alone.
void CloseEntries(EntryRecord& entry);

// The file-name mask test ("*.*", "*.ext", "prefix*", or an exact name), ignoring ASCII case.
bool MatchesMask(const std::string& mask, const std::string& name);

// The whole central directory, walked once before a run: the size totals, whether it could be
// read to its end with every entry its end record counts, and where the members' data lie.
struct DirectoryScan {
  std::int32_t result = 0;        // 0, or the reader's kZipFormatError / kFileError
  const char* problem = nullptr;  // why, in words, when result is not 0
  // The totals over all entries; the file's size for both when no entry can be read.
  std::int64_t size = 0;
  std::int64_t compressed = 0;
  std::int64_t directoryOffset = 0;
  std::vector<std::int64_t> starts;       // local header offsets of all entries, sorted
  std::vector<std::int64_t> overlapping;  // those whose data overlap another entry's, sorted

  // Whether the member whose local header is at `headerOffset` shares data with another.
  bool Overlaps(std::int64_t headerOffset) const;
  // Where that member's data must end: the next local header or the central directory;
  // -1 when nothing follows it.
  std::int64_t DataLimit(std::int64_t headerOffset) const;
};
DirectoryScan ScanDirectory(const std::string& archivePath);

// Sum of the uncompressed sizes of all entries; `compressed` receives the sum of their
// compressed sizes. A file that is not a zip gives its size for both, one that cannot be
// opened 0.
std::int64_t ArchiveSizes(const std::string& archivePath, std::int64_t& compressed);

// Extracts every member whose name matches `mask` into `destination`. Result: the number of
// members extracted, or kMissingParameter, kNotAZip, kInUse (another extraction is under way),
// kSeriousError, or kFileError when closing or deleting a member's file failed. `lastFailure`, when
// given, receives the code of the member that ended the run, or kFileError / kZipFormatError
// when the central directory could not be found or read to its end (0 when neither happened).
// `detail`, when given, receives the same code with the member and the reason in words.
struct RunFailure {
  std::int32_t code = 0;  // as lastFailure
  std::string member;     // the member's name (1250), empty for the archive as a whole
  std::string reason;     // in words; empty when the code's own text says it all
};
std::int32_t UnzipArchive(const std::string& archivePath, const std::string& destination,
                          const std::string& mask, const ReportProc& report, OverwriteQuery query,
                          std::int32_t* lastFailure = nullptr, RunFailure* detail = nullptr);

// Extracts the member whose local header starts at `headerOffset` into `outputPath`.
// A result code (0, kBadHuffmanHeader, kCrcError .. kInUse; kFileError when closing or
// deleting its file failed).
std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int32_t headerOffset);

// What the central directory says about a member; -1 where it is not known.
struct MemberLimits {
  // The output may not grow beyond the declared uncompressed size (the local header's, or
  // with deferred sizes this one); a stored member with deferred sizes is read with this
  // compressed size.
  std::int64_t centralSize = -1;
  std::int64_t centralCompressedSize = -1;
  // The member's data must end here (the next member's local header or the directory).
  std::int64_t dataLimit = -1;
};

// ExtractMember with a 64-bit header offset and the central directory's limits. `reason`,
// when given, receives the cause of a failure in words where the code does not say it.
std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int64_t headerOffset, const MemberLimits& limits,
                           std::string* reason = nullptr);

}  // namespace unzip
