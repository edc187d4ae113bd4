// Private-profile INI services on GetPrivateProfileStringA / WritePrivateProfileStringA.
#include "platform/win32/win.h"

namespace plat::win32 {

namespace {
// The buffer the text overrides have always been read with: longer values are cut.
constexpr DWORD kProfileBuffer = 2048;
}  // namespace

std::string ProfileGetString(const std::string& section, const std::string& key,
                             const std::string& fallback, const std::string& file) {
  char buffer[kProfileBuffer];
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                     kProfileBuffer, file.c_str());
  return std::string(buffer, n);
}

std::uint32_t ProfileWriteString(const std::string& section, const std::optional<std::string>& key,
                                 const std::optional<std::string>& value, const std::string& file) {
  // A null key erases the section, a null value the key.
  BOOL ok = WritePrivateProfileStringA(section.c_str(), key ? key->c_str() : nullptr,
                                       key && value ? value->c_str() : nullptr, file.c_str());
  return ok ? kOk : LastErrorOr(kWriteFault);
}

}  // namespace plat::win32
