// The one table through which every platform service is called. Each body (win32/, posix/)
// fills it once in NativeServices(); the free functions of the service headers call through
// services(). Tests replace entries to make any service fail, with ScopedServices restoring
// the table afterwards.
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

namespace plat {

struct Services {
  // files
  Result<std::string> (*currentDirectory)();
  std::uint32_t (*setCurrentDirectory)(const std::string&);
  Result<std::string> (*tempPath)();
  Result<std::uint32_t> (*fileAttributes)(const std::string&);
  std::uint32_t (*setFileAttributes)(const std::string&, std::uint32_t);
  Result<Handle> (*findFirst)(const std::string&, FindData&);
  std::uint32_t (*findNext)(Handle, FindData&);
  void (*findClose)(Handle);
  std::uint32_t (*createDirectory)(const std::string&);
  std::uint32_t (*removeDirectory)(const std::string&);
  std::uint32_t (*deleteFile)(const std::string&);
  std::uint32_t (*copyFile)(const std::string&, const std::string&, bool);
  std::uint32_t (*moveFile)(const std::string&, const std::string&);
  Result<Handle> (*openFile)(const std::string&, OpenMode);
  Result<std::size_t> (*readFile)(Handle, void*, std::size_t);
  Result<std::size_t> (*writeFile)(Handle, const void*, std::size_t);
  Result<std::int64_t> (*seekFile)(Handle, std::int64_t, SeekOrigin);
  Result<std::int64_t> (*fileSize)(Handle);
  std::uint32_t (*closeFile)(Handle);
  std::uint32_t (*setFileTimeFromDos)(Handle, std::uint16_t, std::uint16_t);
  Result<std::string> (*moduleFileName)();
  Result<std::string> (*shortPathName)(const std::string&);
  std::optional<std::string> (*environment)(const std::string&);
  // registry
  Result<Handle> (*regOpenKey)(Hive, const std::string&);
  Result<Handle> (*regCreateKey)(Hive, const std::string&);
  void (*regCloseKey)(Handle);
  Result<RegValue> (*regQueryValue)(Handle, const std::string&);
  std::uint32_t (*regSetString)(Handle, const std::string&, const std::string&);
  std::uint32_t (*regSetDword)(Handle, const std::string&, std::uint32_t);
  std::uint32_t (*regDeleteKey)(Handle, const std::string&);
  Result<RegKeyInfo> (*regQueryInfo)(Handle);
  Result<std::string> (*regEnumKey)(Handle, std::uint32_t);
  // profile INI
  std::string (*profileGetString)(const std::string&, const std::string&, const std::string&,
                                  const std::string&);
  std::uint32_t (*profileWriteString)(const std::string&, const std::optional<std::string>&,
                                      const std::optional<std::string>&, const std::string&);
  // process
  MutexResult (*createNamedMutex)(const std::string&);
  void (*closeMutex)(Handle);
  std::uint32_t (*startHidden)(const std::string&);
  // shell link
  ShellLinkOutcome (*saveShellLink)(const std::string&, const std::string&, const std::string&);
};

// The table of the body this program was built with; defined by that body.
const Services& NativeServices();

// The table in force; starts as NativeServices().
Services& services();

// Replaces the table for its lifetime (tests only), restoring the previous one after.
class ScopedServices {
 public:
  explicit ScopedServices(const Services& replacement) : saved_(services()) {
    services() = replacement;
  }
  ScopedServices(const ScopedServices&) = delete;
  ScopedServices& operator=(const ScopedServices&) = delete;
  ~ScopedServices() { services() = saved_; }

 private:
  Services saved_;
};

}  // namespace plat
