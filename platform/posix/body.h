// The functions of the POSIX body that NativeServices() puts into the service table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shelllink.h"

namespace plat::posix {

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
// Called by the batch interpreter, a fork of the program that started it which stands for
// the command interpreter: its own image then no longer counts as a running program's.
void DisownImage();

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

}  // namespace plat::posix
