// The zip extractor: the central directory reader, the extraction driver and the extraction
// of one member. Paths are Windows paths in code page 1250. One extraction at a time.
#pragma once

#include <cstdint>
#include <string>

#include "unzip/ziptypes.h"

namespace unzip {

// True when `path` names a file (not a folder, not an ".exe") that starts with "PK" 03 04.
bool IsZipFile(const std::string& path);

// Open the reader on `archivePath` and parse its first central directory entry into `entry`.
// 0, kZipFormatError, kNoMoreEntries or kFileError; on a failure the reader is closed.
std::int32_t FirstEntry(const std::string& archivePath, EntryRecord& entry);
// Parse the next entry. 0, kNoMoreEntries, or kFileError when a large directory cannot be
// read further (the reader is then closed).
std::int32_t NextEntry(EntryRecord& entry);
// Release the reader's buffer and archive; a closed reader is left alone.
void CloseEntries(EntryRecord& entry);

// The file-name mask test ("*.*", "*.ext", "prefix*", or an exact name), ignoring ASCII case.
bool MatchesMask(const std::string& mask, const std::string& name);

// Sum of the uncompressed sizes of all entries; `compressed` receives the sum of their
// compressed sizes. A file that is not a zip gives its size for both, one that cannot be
// opened 0.
std::int64_t ArchiveSizes(const std::string& archivePath, std::int64_t& compressed);

// Extracts every member whose name matches `mask` into `destination`. Result: the number of
// members extracted, or kMissingParameter, kNotAZip or kSeriousError. `lastFailure`, when
// given, receives the code of the member that ended the run, or kFileError / kZipFormatError
// when the central directory could not be found or read to its end (0 when neither happened).
std::int32_t UnzipArchive(const std::string& archivePath, const std::string& destination,
                          const std::string& mask, ReportProc report, OverwriteQuery query,
                          std::int32_t* lastFailure = nullptr);

// Extracts the member whose local header starts at `headerOffset` into `outputPath`.
// A result code (0, kBadHuffmanHeader, kCrcError .. kInUse).
std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int32_t headerOffset);

// ExtractMember with the member's sizes from the central directory (-1 when unknown): the
// output may not grow beyond the declared uncompressed size (the local header's, or with
// deferred sizes the central directory's), and a stored member with deferred sizes is read
// with the central directory's compressed size.
std::int32_t ExtractMember(const std::string& archivePath, const std::string& outputPath,
                           std::int32_t headerOffset, std::int64_t centralSize,
                           std::int64_t centralCompressedSize);

}  // namespace unzip
