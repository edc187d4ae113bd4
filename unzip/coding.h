// The setup's front end to the zip extractor: ExtractArchive, its result texts and messages.
#pragma once

#include <cstdint>
#include <string>

#include "unzip/unzip.h"
#include "unzip/ziptypes.h"

namespace unzip {

// Extracts every member of `archivePath` into `destination`, replacing existing files.
// Result: 0 when every member was extracted; otherwise the failure: kMissingParameter,
// kNotAZip, kSeriousError, kInUse, or the code of the member that stopped the run (kCrcError,
// kWriteError, kUnsupportedMethod, kEncrypted; kStructureError for a malformed deflate block
// header), or kFileError / kZipFormatError when the central directory could not be found or
// read (a truncated archive, a failing read), kFileError also when closing or deleting a
// member's file failed.
// `why`, when given, receives the member and the reason behind a failure in words.
// `progress`, when given, receives every report of the run: the setup's lets the window
// system process pending messages and moves the progress display (the -1004 report carries
// the archive's total size, each -1001 report the bytes just written).
std::int32_t ExtractArchive(const std::string& archivePath, const std::string& destination,
                            RunFailure* why = nullptr, const ReportProc& progress = nullptr);

// The text of a result code ("Ok", "CRC-Error!", ...); empty for a code without one.
std::string ResultText(std::int32_t code);

// The message for a non-zero result: the code's text, ": " and the archive path; with `why`
// of that run, followed by what its code does not say in parentheses: the text of the code
// behind it (the structure error behind a serious failure), the member and the reason.
std::string ExtractMessage(std::int32_t code, const std::string& archivePath);
std::string ExtractMessage(std::int32_t code, const std::string& archivePath,
                           const RunFailure& why);

}  // namespace unzip
