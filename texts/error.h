// The program's error report: an error that ends the current event handler and is shown in
// a message box with its text, the error icon and an OK button. Texts are code page 1250.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace setup {

class SetupError : public std::runtime_error {
 public:
  explicit SetupError(const std::string& message) : std::runtime_error(message) {}
};

// The text of an input/output error code: "File not found" (2), "Invalid filename" (3),
// "Too many open files" (4), "File access denied" (5), "Read beyond end of file" (100),
// "Disk full" (101), "Invalid numeric input" (106), otherwise "I/O error %d".
std::string InOutErrorText(std::uint32_t code);

// An input/output error carrying the text of its code.
SetupError InOutError(std::uint32_t code);

// The text the error report shows: the message with "." appended when its last character
// sorts after "." (as an unsigned byte).
std::string ErrorReportText(const std::string& message);

}  // namespace setup
