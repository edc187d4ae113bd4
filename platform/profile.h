// Private-profile INI services with the observable behaviour of GetPrivateProfileStringA and
// WritePrivateProfileStringA: CRLF lines, case-insensitive section and key names, blanks
// around "=" dropped, one pair of matching quotes removed on reading, 8-bit bytes kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace plat {

// Reads with a 2048-character buffer: a longer value comes back cut to 2047 characters.
// `fallback` is returned when the file, the section or the key is missing.
std::string ProfileGetString(const std::string& section, const std::string& key,
                             const std::string& fallback, const std::string& file);

// Writes key=value in section, creating file and section as needed. With no key the whole
// section is erased; with a key but no value the key is erased. kOk or the failure's code.
std::uint32_t ProfileWriteString(const std::string& section,
                                 const std::optional<std::string>& key,
                                 const std::optional<std::string>& value, const std::string& file);

}  // namespace plat
