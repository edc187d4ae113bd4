// Every platform service, listed once: X(field, Function, Return, (parameters), (arguments)).
// The list makes the fields of the service table (services.h), the free functions that call
// through it (services.cpp), and each body's declarations and table (posix/body.h and
// posix/services_table.cpp, win32/win.h and win32/services_table.cpp). The headers of the
// service families (files.h, registry.h, profile.h, process.h, shelllink.h) say what each does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shelllink.h"

// clang-format off
#define PLAT_SERVICES(X)                                                                        \
  /* files */                                                                                   \
  X(currentDirectory, CurrentDirectory, Result<std::string>, (), ())                            \
  X(setCurrentDirectory, SetCurrentDirectory, std::uint32_t, (const std::string& path), (path)) \
  X(tempPath, TempPath, Result<std::string>, (), ())                                            \
  X(fileAttributes, FileAttributes, Result<std::uint32_t>, (const std::string& path), (path))   \
  X(setFileAttributes, SetFileAttributes, std::uint32_t,                                        \
    (const std::string& path, std::uint32_t attributes), (path, attributes))                    \
  X(findFirst, FindFirst, Result<Handle>, (const std::string& pattern, FindData& first),        \
    (pattern, first))                                                                           \
  X(findNext, FindNext, std::uint32_t, (Handle search, FindData& next), (search, next))         \
  X(findClose, FindClose, void, (Handle search), (search))                                      \
  X(createDirectory, CreateDirectory, std::uint32_t, (const std::string& path), (path))         \
  X(removeDirectory, RemoveDirectory, std::uint32_t, (const std::string& path), (path))         \
  X(deleteFile, DeleteFile, std::uint32_t, (const std::string& path), (path))                   \
  X(copyFile, CopyFile, std::uint32_t,                                                          \
    (const std::string& from, const std::string& to, bool failIfExists), (from, to, failIfExists)) \
  X(moveFile, MoveFile, std::uint32_t, (const std::string& from, const std::string& to),        \
    (from, to))                                                                                 \
  X(openFile, OpenFile, Result<Handle>, (const std::string& path, OpenMode mode), (path, mode)) \
  X(readFile, ReadFile, Result<std::size_t>, (Handle file, void* buffer, std::size_t size),     \
    (file, buffer, size))                                                                       \
  X(writeFile, WriteFile, Result<std::size_t>,                                                  \
    (Handle file, const void* buffer, std::size_t size), (file, buffer, size))                  \
  X(seekFile, SeekFile, Result<std::int64_t>,                                                   \
    (Handle file, std::int64_t offset, SeekOrigin origin), (file, offset, origin))              \
  X(fileSize, FileSize, Result<std::int64_t>, (Handle file), (file))                            \
  X(closeFile, CloseFile, std::uint32_t, (Handle file), (file))                                 \
  X(setFileTimeFromDos, SetFileTimeFromDos, std::uint32_t,                                      \
    (Handle file, std::uint16_t dosDate, std::uint16_t dosTime), (file, dosDate, dosTime))      \
  X(moduleFileName, ModuleFileName, Result<std::string>, (), ())                                \
  X(shortPathName, ShortPathName, Result<std::string>, (const std::string& path), (path))       \
  X(environment, Environment, std::optional<std::string>, (const std::string& name), (name))    \
  /* registry */                                                                                \
  X(regOpenKey, RegOpenKey, Result<Handle>, (Hive hive, const std::string& path), (hive, path)) \
  X(regCreateKey, RegCreateKey, Result<Handle>, (Hive hive, const std::string& path),           \
    (hive, path))                                                                               \
  X(regCloseKey, RegCloseKey, void, (Handle key), (key))                                        \
  X(regQueryValue, RegQueryValue, Result<RegValue>, (Handle key, const std::string& name),      \
    (key, name))                                                                                \
  X(regSetString, RegSetString, std::uint32_t,                                                  \
    (Handle key, const std::string& name, const std::string& value), (key, name, value))        \
  X(regSetDword, RegSetDword, std::uint32_t,                                                    \
    (Handle key, const std::string& name, std::uint32_t value), (key, name, value))             \
  X(regDeleteKey, RegDeleteKey, std::uint32_t, (Handle key, const std::string& subkey),         \
    (key, subkey))                                                                              \
  X(regQueryInfo, RegQueryInfo, Result<RegKeyInfo>, (Handle key), (key))                        \
  X(regEnumKey, RegEnumKey, Result<std::string>, (Handle key, std::uint32_t index), (key, index)) \
  /* profile INI */                                                                             \
  X(profileGetString, ProfileGetString, std::string,                                            \
    (const std::string& section, const std::string& key, const std::string& fallback,           \
     const std::string& file), (section, key, fallback, file))                                  \
  X(profileWriteString, ProfileWriteString, std::uint32_t,                                      \
    (const std::string& section, const std::optional<std::string>& key,                         \
     const std::optional<std::string>& value, const std::string& file),                         \
    (section, key, value, file))                                                                \
  /* process */                                                                                 \
  X(createNamedMutex, CreateNamedMutex, MutexResult, (const std::string& name), (name))         \
  X(closeMutex, CloseMutex, void, (Handle mutex), (mutex))                                      \
  X(startHidden, StartHidden, std::uint32_t, (const std::string& commandLine), (commandLine))   \
  /* shell link */                                                                              \
  X(saveShellLink, SaveShellLink, ShellLinkOutcome,                                             \
    (const std::string& target, const std::string& workingDirectory,                            \
     const std::string& linkFile), (target, workingDirectory, linkFile))
// clang-format on

// Declares, in the namespace where it is expanded, each service's function.
#define PLAT_DECLARE(field, Function, Return, Parameters, Arguments) Return Function Parameters;
// An entry of a body's table: the field set to the function of that name that lookup finds
// where it is expanded (inside the body's namespace, the body's own).
#define PLAT_ENTRY(field, Function, Return, Parameters, Arguments) .field = Function,
