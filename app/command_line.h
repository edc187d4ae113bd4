// The command line of unattended use. Without a switch the program starts as always; the
// switches, in any letter case:
//   /S          no window at all: in the payload folder it installs, elsewhere it uninstalls
//               without asking; the log and the outcome go to a log file
//   /U          first makes the program's own folder the current directory, so that a copy
//               started from elsewhere (Apps & features) works as if started there
//   /D=<folder> with /S: the home folder instead of the first destination; the last
//               argument, taking the rest of the line, blanks included
//   /LOG=<file> with /S: the log file instead of Vorlex-setup.log in the temp folder
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct CommandLine {
  bool silent = false;     // /S
  bool uninstall = false;  // /U
  std::string folder;      // /D=, empty when not given
  std::string log;         // /LOG=, empty when not given
};

struct ParsedCommandLine {
  CommandLine options;
  std::string error;  // empty when the line is understood; else what is wrong with it
  bool ok() const { return error.empty(); }
};

// Exit codes of the program besides 0 (success) and 3 (another copy runs).
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Parses the arguments that follow the program name. Arguments are separated by blanks or
// tabs; one in double quotes may hold blanks. /D= takes the rest of the line as it stands
// (trailing blanks dropped, one pair of enclosing quotes removed) and must name an absolute
// folder ("C:\..." or "\\server\share..."). /D= and /LOG= need /S.
ParsedCommandLine ParseCommandLine(std::string_view arguments);

// The part of a whole command line (GetCommandLine) after the program name, which may be
// quoted.
std::string_view ArgumentsOf(std::string_view commandLine);

// A command line's arguments from an argument vector (argv without the program name): each
// argument that holds a blank is quoted, except from /D= on, which is taken as it stands.
std::string JoinArguments(const std::vector<std::string>& arguments);

// The text of the usage box, with `error` as its first line.
std::string UsageText(const std::string& error);

}  // namespace setup
