// Internal to the Win32 body: <windows.h> without the macros that would rename the seam's
// own functions (plat::CreateDirectory, plat::DeleteFile, plat::RegOpenKey, ...), the
// handle conversions, and the body's functions that services_table.cpp puts in the table.
// Any Win32 source that also includes platform headers should include this, not <windows.h>.
#pragma once

#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef MoveFile
#undef RegCreateKey
#undef RegDeleteKey
#undef RegEnumKey
#undef RegOpenKey
#undef RegQueryValue
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef SetFileAttributes

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/services.h"

namespace plat::win32 {

inline Handle ToHandle(HANDLE h) { return reinterpret_cast<Handle>(h); }
inline HANDLE ToHANDLE(Handle h) { return reinterpret_cast<HANDLE>(h); }
inline Handle ToHandle(HKEY k) { return reinterpret_cast<Handle>(k); }
inline HKEY ToHKEY(Handle h) { return reinterpret_cast<HKEY>(h); }

// GetLastError() of a call that reported failure, never kOk: a failure must not read as
// success even when the system left no code behind.
inline std::uint32_t LastErrorOr(std::uint32_t fallback) {
  DWORD e = GetLastError();
  return e != ERROR_SUCCESS ? e : fallback;
}

// files.cpp
Result<std::string> CurrentDirectory();
std::uint32_t SetCurrentDirectory(const std::string& path);
Result<std::string> TempPath();
Result<std::uint32_t> FileAttributes(const std::string& path);
std::uint32_t SetFileAttributes(const std::string& path, std::uint32_t attributes);
Result<Handle> FindFirst(const std::string& pattern, FindData& first);
std::uint32_t FindNext(Handle search, FindData& next);
void FindClose(Handle search);
std::uint32_t CreateDirectory(const std::string& path);
std::uint32_t RemoveDirectory(const std::string& path);
std::uint32_t DeleteFile(const std::string& path);
std::uint32_t CopyFile(const std::string& from, const std::string& to, bool failIfExists);
std::uint32_t MoveFile(const std::string& from, const std::string& to);
Result<Handle> OpenFile(const std::string& path, OpenMode mode);
Result<std::size_t> ReadFile(Handle file, void* buffer, std::size_t size);
Result<std::size_t> WriteFile(Handle file, const void* buffer, std::size_t size);
Result<std::int64_t> SeekFile(Handle file, std::int64_t offset, SeekOrigin origin);
Result<std::int64_t> FileSize(Handle file);
std::uint32_t CloseFile(Handle file);
std::uint32_t SetFileTimeFromDos(Handle file, std::uint16_t dosDate, std::uint16_t dosTime);
Result<std::string> ModuleFileName();
Result<std::string> ShortPathName(const std::string& path);
std::optional<std::string> Environment(const std::string& name);

// registry.cpp
Result<Handle> RegOpenKey(Hive hive, const std::string& path);
Result<Handle> RegCreateKey(Hive hive, const std::string& path);
void RegCloseKey(Handle key);
Result<RegValue> RegQueryValue(Handle key, const std::string& name);
std::uint32_t RegSetString(Handle key, const std::string& name, const std::string& value);
std::uint32_t RegSetDword(Handle key, const std::string& name, std::uint32_t value);
std::uint32_t RegDeleteKey(Handle key, const std::string& subkey);
Result<RegKeyInfo> RegQueryInfo(Handle key);
Result<std::string> RegEnumKey(Handle key, std::uint32_t index);

// profile.cpp
std::string ProfileGetString(const std::string& section, const std::string& key,
                             const std::string& fallback, const std::string& file);
std::uint32_t ProfileWriteString(const std::string& section, const std::optional<std::string>& key,
                                 const std::optional<std::string>& value, const std::string& file);

// process.cpp
MutexResult CreateNamedMutex(const std::string& name);
void CloseMutex(Handle mutex);
std::uint32_t StartHidden(const std::string& commandLine);

// shelllink.cpp
ShellLinkOutcome SaveShellLink(const std::string& target, const std::string& workingDirectory,
                               const std::string& linkFile);

}  // namespace plat::win32
