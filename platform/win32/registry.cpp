// Registry services on RegOpenKeyExA / RegCreateKeyExA with full access.
#include <vector>

#include "platform/win32/win.h"

namespace plat::win32 {

namespace {

HKEY Root(Hive hive) {
  return hive == Hive::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// A key path that begins with "\" means "from the hive root", but the API refuses it with
// ERROR_BAD_PATHNAME: drop the leading backslashes.
const char* Relative(const std::string& path) {
  std::size_t start = path.find_first_not_of('\\');
  return start == std::string::npos ? "" : path.c_str() + start;
}

// The longest key name the registry allows, with room for the terminating zero.
constexpr DWORD kMaxKeyName = 256;

}  // namespace

Result<Handle> RegOpenKey(Hive hive, const std::string& path) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(Root(hive), Relative(path), 0, KEY_ALL_ACCESS, &key);
  if (rc != ERROR_SUCCESS) return Result<Handle>{kNoHandle, static_cast<std::uint32_t>(rc)};
  return Result<Handle>{ToHandle(key), kOk};
}

Result<Handle> RegCreateKey(Hive hive, const std::string& path) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(Root(hive), Relative(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return Result<Handle>{kNoHandle, static_cast<std::uint32_t>(rc)};
  return Result<Handle>{ToHandle(key), kOk};
}

void RegCloseKey(Handle key) { ::RegCloseKey(ToHKEY(key)); }

Result<RegValue> RegQueryValue(Handle key, const std::string& name) {
  // The value can grow between asking its size and reading it: ask again then.
  for (;;) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(ToHKEY(key), name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return Result<RegValue>::failure(static_cast<std::uint32_t>(rc));
    std::vector<BYTE> data(size);
    rc = RegQueryValueExA(ToHKEY(key), name.c_str(), nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return Result<RegValue>::failure(static_cast<std::uint32_t>(rc));
    RegValue v;
    v.type = type;
    v.data.assign(reinterpret_cast<const char*>(data.data()), size);
    return Result<RegValue>{std::move(v), kOk};
  }
}

std::uint32_t RegSetString(Handle key, const std::string& name, const std::string& value) {
  // REG_SZ is stored with its terminating zero.
  return static_cast<std::uint32_t>(RegSetValueExA(ToHKEY(key), name.c_str(), 0, REG_SZ,
                                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                                   static_cast<DWORD>(value.size() + 1)));
}

std::uint32_t RegSetDword(Handle key, const std::string& name, std::uint32_t value) {
  const DWORD data = value;
  return static_cast<std::uint32_t>(RegSetValueExA(
      ToHKEY(key), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data));
}

std::uint32_t RegDeleteKey(Handle key, const std::string& subkey) {
  return static_cast<std::uint32_t>(::RegDeleteKeyA(ToHKEY(key), Relative(subkey)));
}

Result<RegKeyInfo> RegQueryInfo(Handle key) {
  DWORD subkeys = 0;
  DWORD maxSubkeyLength = 0;
  LONG rc = RegQueryInfoKeyA(ToHKEY(key), nullptr, nullptr, nullptr, &subkeys, &maxSubkeyLength,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return Result<RegKeyInfo>::failure(static_cast<std::uint32_t>(rc));
  return Result<RegKeyInfo>{RegKeyInfo{subkeys, maxSubkeyLength}, kOk};
}

Result<std::string> RegEnumKey(Handle key, std::uint32_t index) {
  char name[kMaxKeyName];
  DWORD length = kMaxKeyName;
  LONG rc = RegEnumKeyExA(ToHKEY(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return Result<std::string>::failure(static_cast<std::uint32_t>(rc));
  return Result<std::string>{std::string(name, length), kOk};
}

}  // namespace plat::win32
