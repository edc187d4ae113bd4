// Text and path routines used throughout the setup: backslash collapsing, blank stripping and
// short (8.3) path names. Paths are Windows paths in code page 1250; no routine reports an
// error or keeps state between calls.
#pragma once

#include <string>

namespace setup {

// Every run of two or more backslashes becomes one, wherever it stands (a leading "\\" of a
// network path included). Nothing else changes: a single trailing backslash, slashes, case,
// dots and blanks stay.
std::string NormalizePath(const std::string& path);

// Remove leading (trailing) spaces and tabs in place while the text is longer than one
// character; only code 32 and code 9 count as blanks. A text of blanks alone keeps one.
void StripLeadingBlanks(std::string& text);
void StripTrailingBlanks(std::string& text);
// StripLeadingBlanks, then StripTrailingBlanks.
void StripBlanks(std::string& text);

// The short (8.3) form of `path`, or `path` itself when the system cannot give one (missing
// path, no 8.3 names). Paths longer than 255 characters, and short forms that would not fit
// a 255-character buffer, also give `path` unchanged rather than a cut-off path.
std::string ShortPathOf(const std::string& path);

}  // namespace setup
