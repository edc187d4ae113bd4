// Registry services: keys of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, string and DWORD values.
// A key path may begin with "\" (absolute from the hive root); bodies accept both forms.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

enum class Hive { kCurrentUser, kLocalMachine };

// Registry value types, as Win32 numbers them.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;  // raw bytes as stored; strings keep their terminating zero if stored
};

struct RegKeyInfo {
  std::uint32_t subkeys = 0;
  std::uint32_t maxSubkeyLength = 0;
};

// Opens an existing key with full access; kFileNotFound when it does not exist.
Result<Handle> RegOpenKey(Hive hive, const std::string& path);
// Opens a key with full access, creating it and every missing key above it.
Result<Handle> RegCreateKey(Hive hive, const std::string& path);
void RegCloseKey(Handle key);
// kFileNotFound when the value does not exist.
Result<RegValue> RegQueryValue(Handle key, const std::string& name);
// Stores a REG_SZ value with its terminating zero.
std::uint32_t RegSetString(Handle key, const std::string& name, const std::string& value);
// Stores a REG_DWORD value (four bytes, little-endian).
std::uint32_t RegSetDword(Handle key, const std::string& name, std::uint32_t value);
// Deletes `subkey` of `key`; fails with kAccessDenied when it has subkeys of its own.
std::uint32_t RegDeleteKey(Handle key, const std::string& subkey);
Result<RegKeyInfo> RegQueryInfo(Handle key);
// The name of subkey `index`; kNoMoreItems past the last one.
Result<std::string> RegEnumKey(Handle key, std::uint32_t index);

// Owns an open key; closes it once.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(Handle h) : handle_(h) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.handle_;
      other.handle_ = kNoHandle;
    }
    return *this;
  }
  ~RegKey() { reset(); }

  static Result<RegKey> Open(Hive hive, const std::string& path) {
    return wrap(RegOpenKey(hive, path));
  }
  static Result<RegKey> Create(Hive hive, const std::string& path) {
    return wrap(RegCreateKey(hive, path));
  }

  bool valid() const { return handle_ != kNoHandle; }
  Handle get() const { return handle_; }
  void reset() {
    if (handle_ != kNoHandle) RegCloseKey(handle_);
    handle_ = kNoHandle;
  }

 private:
  static Result<RegKey> wrap(Result<Handle> h) {
    if (!h.ok()) return Result<RegKey>::failure(h.error);
    return Result<RegKey>{RegKey(h.value()), kOk};
  }
  Handle handle_ = kNoHandle;
};

}  // namespace plat
