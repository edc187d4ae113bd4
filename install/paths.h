// Text and path routines used throughout the setup: backslash collapsing, blank stripping and
// short (8.3) path names. Paths are Windows paths in code page 1250; no routine reports an
// error or keeps state between calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// The one rule for paths built from untrusted text (a short.txt line, the recorded home
// folder): whether `name` is one plain name the system stores as written. Refused: the empty
// name, "." and "..", "\\" and "/", ":" (a drive or a stream), control characters and
// the characters no name may hold (< > " | ? *), a name that ends in a dot or a blank (the
// system drops those, so "..." or "x." names another entry), and device names (CON, PRN,
// AUX, NUL, CONIN$, CONOUT$, COM0 to COM9, LPT0 to LPT9), also with an extension or with
// blanks before it ("NUL.txt", "com1 .lnk").
bool IsPlainName(std::string_view name);

// A relative path that must stay below the folder it is joined to: split at "\" and "/",
// empty components dropped (a subfolder written without its leading "\" gets one), every
// other component a plain name. The result is "\" + components joined by "\", or empty for
// no component at all; nothing when a component is refused.
std::optional<std::string> ConfinedSubpath(const std::string& relative);

// An absolute folder on a drive: a letter, ":", then plain names split at "\" and "/" (a
// trailing separator allowed). The result is "X:" + "\" + the names joined by "\"; nothing
// for anything else (a relative path, a network path, a "..", a stream, a device).
std::optional<std::string> ConfinedAbsolute(const std::string& path);

}  // namespace setup
