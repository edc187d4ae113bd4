// The setup's front end to the zip extractor: ExtractArchive and its report procedure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "unzip/unzip.h"
#include "unzip/ziptypes.h"

namespace unzip {

// Extracts every member of `archivePath` into `destination`, replacing existing files.
// Result: 0 when every member was extracted; otherwise the failure: kMissingParameter,
// kNotAZip, kSeriousError, kInUse, or the code of the member that stopped the run (kCrcError,
// kWriteError, kUnsupportedMethod, kEncrypted; kStructureError for a malformed deflate block
// header), or kFileError / kZipFormatError when the central directory could not be found or
// read (a truncated archive, a failing read).
// `why`, when given, receives the member and the reason behind a failure in words.
std::int32_t ExtractArchive(const std::string& archivePath, const std::string& destination,
                            RunFailure* why = nullptr);

// The text of a result code ("Ok", "CRC-Error!", ...); empty for a code without one.
std::string ResultText(std::int32_t code);

// The message for a non-zero result: the code's text, ": " and the archive path; with `why`
// of that run, followed by what its code does not say in parentheses: the text of the code
// behind it (the structure error behind a serious failure), the member and the reason.
std::string ExtractMessage(std::int32_t code, const std::string& archivePath);
std::string ExtractMessage(std::int32_t code, const std::string& archivePath,
                           const RunFailure& why);

// The report procedure ExtractArchive hands to the extractor: every report goes to the
// progress observer, which lets the window system process pending messages and moves the
// progress display (the -1004 report carries the archive's total size, each -1001 report
// the bytes just written).
void ProgressReport(std::int32_t first, ReportRecord* record);

using ProgressObserver = std::function<void(std::int32_t first, const ReportRecord& record)>;

// Connects the observer (an empty one disconnects); returns the previous one.
ProgressObserver SetProgressObserver(ProgressObserver observer);

}  // namespace unzip
