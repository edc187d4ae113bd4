#include "app/command_line.h"

#include <cctype>

namespace setup {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

// Whether `argument` begins with `prefix`, without regard to letter case.
bool StartsWith(std::string_view argument, std::string_view prefix) {
  if (argument.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(argument[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

bool Is(std::string_view argument, std::string_view name) {
  return argument.size() == name.size() && StartsWith(argument, name);
}

std::string_view Unquoted(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

// "C:\..." or "\\server\share..."; nothing that a drive-relative or relative path would be
// resolved against.
bool Absolute(std::string_view path) {
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     path[1] == ':' && path[2] == '\\';
  const bool unc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
  return drive || unc;
}

bool HasControl(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::string_view arguments) {
  ParsedCommandLine parsed;
  CommandLine& options = parsed.options;
  std::size_t at = 0;
  for (;;) {
    while (at < arguments.size() && Blank(arguments[at])) ++at;
    if (at == arguments.size()) break;
    // /D=, also as one quoted argument ("/D=C:\Apps\Vorlex Test", as a caller that quotes
    // every argument with a blank passes it).
    if (StartsWith(arguments.substr(at), "/D=") || StartsWith(arguments.substr(at), "\"/D=")) {
      std::string_view rest = arguments.substr(at);
      while (!rest.empty() && Blank(rest.back())) rest.remove_suffix(1);
      if (rest.front() == '"') rest = Unquoted(rest);
      rest = Unquoted(rest.substr(3));
      if (!Absolute(rest) || HasControl(rest) || rest.find('"') != std::string_view::npos) {
        parsed.error = "/D= needs a full folder path, such as /D=C:\\Apps\\Vorlex";
        return parsed;
      }
      options.folder = rest;
      break;
    }
    // One argument: up to the next blank outside double quotes; the quotes are dropped.
    std::string argument;
    bool quoted = false;
    for (; at < arguments.size() && (quoted || !Blank(arguments[at])); ++at) {
      if (arguments[at] == '"') {
        quoted = !quoted;
      } else {
        argument += arguments[at];
      }
    }
    if (quoted) {
      parsed.error = "A quote is not closed: " + argument;
      return parsed;
    }
    if (Is(argument, "/S")) {
      options.silent = true;
    } else if (Is(argument, "/U")) {
      options.uninstall = true;
    } else if (StartsWith(argument, "/LOG=") && argument.size() > 5 && !HasControl(argument)) {
      options.log = argument.substr(5);
    } else {
      parsed.error = "Unknown switch: " + argument;
      return parsed;
    }
  }
  if (!options.silent && (!options.folder.empty() || !options.log.empty())) {
    parsed.error = "/D= and /LOG= go with /S";
  }
  return parsed;
}

std::string_view ArgumentsOf(std::string_view commandLine) {
  std::size_t at = 0;
  while (at < commandLine.size() && Blank(commandLine[at])) ++at;
  if (at < commandLine.size() && commandLine[at] == '"') {
    const std::size_t close = commandLine.find('"', at + 1);
    at = close == std::string_view::npos ? commandLine.size() : close + 1;
  }
  while (at < commandLine.size() && !Blank(commandLine[at])) ++at;
  while (at < commandLine.size() && Blank(commandLine[at])) ++at;
  return commandLine.substr(at);
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    const bool rest = StartsWith(argument, "/D=");
    if (!rest && argument.find_first_of(" \t") != std::string::npos) {
      line += '"' + argument + '"';
    } else {
      line += argument;
    }
  }
  return line;
}

std::string UsageText(const std::string& error) {
  return error +
         "\r\rsetup [/U] [/S [/LOG=file] [/D=folder]]\r"
         "/S\tno window: installs when started in the payload folder, otherwise uninstalls "
         "without asking; log and outcome go to Vorlex-setup.log in the temp folder\r"
         "/U\tstarts in the program's own folder\r"
         "/LOG=file\twith /S: the log file\r"
         "/D=folder\twith /S, last: the installation folder (blanks allowed)\r"
         "Exit codes: 0 done, 1 failed, 2 wrong command line, 3 another copy runs.";
}

}  // namespace setup
