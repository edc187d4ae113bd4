// Fault injection through the platform seam: a service table that forwards every call to the
// table it replaced, counts the calls by kind, and makes one chosen call (the Nth of a kind,
// or the Nth of all) fail with the error code a real system gives for that kind of failure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/services.h"

namespace setup::faults {

enum class Kind : int {
  kOpen,       // OpenFile (create or open)
  kRead,       // ReadFile
  kWrite,      // WriteFile
  kSeek,       // SeekFile, FileSize
  kClose,      // CloseFile
  kMove,       // MoveFile, CopyFile
  kDelete,     // DeleteFile, RemoveDirectory
  kFolder,     // CreateDirectory
  kQuery,      // FileAttributes, FindFirst, FindNext, ShortPathName
  kStamp,      // SetFileTimeFromDos, SetFileAttributes
  kRegOpen,    // RegOpenKey, RegCreateKey, RegQueryValue, RegQueryInfo, RegEnumKey
  kRegWrite,   // RegSetString, RegSetDword, RegDeleteKey
  kProfile,    // ProfileWriteString
  kLink,       // SaveShellLink
  kMutex,      // CreateNamedMutex
  kExec,       // StartHidden
  kDirectory,  // SetCurrentDirectory
  kCount
};
inline constexpr int kKinds = static_cast<int>(Kind::kCount);

const char* KindName(Kind kind);

// Which call fails: the `nth` call (from 1) of `kind`, or of all calls when `kind` is empty.
// A sticky fault goes on failing every later call of that kind (a full disk stays full).
// The first `passed` calls are the harness's own: they are neither counted nor failed.
struct Fault {
  std::optional<Kind> kind;
  int nth = 0;
  bool sticky = false;
  int passed = 0;
};

// Installs the counting table over the one in force for its lifetime.
class FaultTable {
 public:
  explicit FaultTable(std::optional<Fault> fault = std::nullopt);
  FaultTable(const FaultTable&) = delete;
  FaultTable& operator=(const FaultTable&) = delete;
  ~FaultTable();

  // Calls made so far, of one kind and of all kinds.
  int Calls(Kind kind) const;
  int AllCalls() const;
  // Whether the chosen call came (and was failed).
  bool Fired() const;

 private:
  std::optional<plat::ScopedServices> scope_;
};

}  // namespace setup::faults
