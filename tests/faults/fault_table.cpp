#include "fault_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <type_traits>

namespace setup::faults {

namespace {

// Windows error codes that are not among the seam's named ones.
constexpr std::uint32_t kSeekError = 25;         // ERROR_SEEK
constexpr std::uint32_t kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr std::uint32_t kWinExecNotFound = 2;    // WinExec: the file was not found

struct State {
  plat::Services inner{};
  std::optional<Fault> fault;
  std::array<int, kKinds> calls{};
  int all = 0;
  int passed = 0;
  bool fired = false;
  Kind firedKind = Kind::kCount;
  bool active = false;
};
State gState;

// Counts one call of `kind`; true when this call is to fail.
bool Fail(Kind kind) {
  if (gState.fault && gState.passed < gState.fault->passed) {
    ++gState.passed;
    return false;
  }
  int& ofKind = gState.calls[static_cast<int>(kind)];
  ++ofKind;
  ++gState.all;
  if (!gState.fault) return false;
  const Fault& f = *gState.fault;
  bool hit = false;
  if (f.kind) {
    hit = *f.kind == kind && (ofKind == f.nth || (f.sticky && ofKind > f.nth));
  } else {
    hit = gState.all == f.nth || (f.sticky && gState.fired && gState.firedKind == kind);
  }
  if (hit && !gState.fired) {
    gState.fired = true;
    gState.firedKind = kind;
  }
  return hit;
}

const plat::Services& In() { return gState.inner; }

// What a failed call gives back: the code itself, or a value that carries it.
template <class R>
R Failed(std::uint32_t code) {
  if constexpr (std::is_same_v<R, std::uint32_t>) {
    return code;
  } else if constexpr (std::is_same_v<R, plat::MutexResult>) {
    return {plat::kNoHandle, code};
  } else if constexpr (std::is_same_v<R, plat::ShellLinkOutcome>) {
    return {};  // not saved
  } else {
    return R::failure(code);
  }
}

// The counting wrapper of the table entry `Entry`: each call counts as `kind`, and the chosen
// one fails with `code` instead of reaching the table that was replaced.
template <auto Entry, Kind kind, std::uint32_t code>
struct Counted;
template <class R, class... A, R (*plat::Services::*Entry)(A...), Kind kind, std::uint32_t code>
struct Counted<Entry, kind, code> {
  static R Call(A... arguments) {
    if (Fail(kind)) return Failed<R>(code);
    return (In().*Entry)(arguments...);
  }
};

template <auto Entry, Kind kind, std::uint32_t code>
void Count(plat::Services& table) {
  table.*Entry = &Counted<Entry, kind, code>::Call;
}

// A failed open gives the code Windows gives for a file held by another program when reading,
// and "access denied" when creating or writing.
plat::Result<plat::Handle> OpenFile(const std::string& path, plat::OpenMode mode) {
  if (Fail(Kind::kOpen)) {
    return plat::Result<plat::Handle>::failure(mode == plat::OpenMode::kRead ? kSharingViolation
                                                                             : plat::kAccessDenied);
  }
  return In().openFile(path, mode);
}
// A close that fails still gives the handle back, as CloseHandle does after a failed flush,
// and what was written last is lost: the file keeps half its bytes. (The POSIX body's
// handles are descriptors; a handle opened for reading cannot be cut and stays whole.)
std::uint32_t CloseFile(plat::Handle file) {
  const bool fail = Fail(Kind::kClose);
  if (fail) {
    struct stat st;
    if (fstat(static_cast<int>(file), &st) == 0 && S_ISREG(st.st_mode)) {
      if (ftruncate(static_cast<int>(file), st.st_size / 2) != 0) {
        // Opened for reading only: nothing written to lose.
      }
    }
  }
  const std::uint32_t code = In().closeFile(file);
  return fail ? plat::kDiskFull : code;
}

// The counting table: each entry that can fail replaced by its counting wrapper; the others
// (closing a search, a key or a mutex, reading the environment or a profile) stay as they are.
plat::Services Counting() {
  using S = plat::Services;
  using plat::kAccessDenied;
  plat::Services t = gState.inner;
  Count<&S::currentDirectory, Kind::kDirectory, kAccessDenied>(t);
  Count<&S::setCurrentDirectory, Kind::kDirectory, kAccessDenied>(t);
  Count<&S::tempPath, Kind::kDirectory, kAccessDenied>(t);
  Count<&S::fileAttributes, Kind::kQuery, kAccessDenied>(t);
  Count<&S::setFileAttributes, Kind::kStamp, kAccessDenied>(t);
  Count<&S::findFirst, Kind::kQuery, kAccessDenied>(t);
  Count<&S::findNext, Kind::kQuery, kAccessDenied>(t);
  Count<&S::createDirectory, Kind::kFolder, kAccessDenied>(t);
  Count<&S::removeDirectory, Kind::kDelete, kSharingViolation>(t);
  Count<&S::deleteFile, Kind::kDelete, kSharingViolation>(t);
  Count<&S::copyFile, Kind::kMove, plat::kDiskFull>(t);
  Count<&S::moveFile, Kind::kMove, kAccessDenied>(t);
  t.openFile = &OpenFile;
  Count<&S::readFile, Kind::kRead, plat::kReadFault>(t);
  Count<&S::writeFile, Kind::kWrite, plat::kDiskFull>(t);
  Count<&S::seekFile, Kind::kSeek, kSeekError>(t);
  Count<&S::fileSize, Kind::kSeek, kSeekError>(t);
  t.closeFile = &CloseFile;
  Count<&S::setFileTimeFromDos, Kind::kStamp, kAccessDenied>(t);
  Count<&S::moduleFileName, Kind::kQuery, kAccessDenied>(t);
  Count<&S::shortPathName, Kind::kQuery, kAccessDenied>(t);
  Count<&S::regOpenKey, Kind::kRegOpen, kAccessDenied>(t);
  Count<&S::regCreateKey, Kind::kRegOpen, kAccessDenied>(t);
  Count<&S::regQueryValue, Kind::kRegOpen, kAccessDenied>(t);
  Count<&S::regSetString, Kind::kRegWrite, kAccessDenied>(t);
  Count<&S::regSetDword, Kind::kRegWrite, kAccessDenied>(t);
  Count<&S::regDeleteKey, Kind::kRegWrite, kAccessDenied>(t);
  Count<&S::regQueryInfo, Kind::kRegOpen, kAccessDenied>(t);
  Count<&S::regEnumKey, Kind::kRegOpen, kAccessDenied>(t);
  Count<&S::profileWriteString, Kind::kProfile, kAccessDenied>(t);
  Count<&S::createNamedMutex, Kind::kMutex, kAccessDenied>(t);
  Count<&S::startHidden, Kind::kExec, kWinExecNotFound>(t);
  Count<&S::saveShellLink, Kind::kLink, kAccessDenied>(t);
  return t;
}

}  // namespace

const char* KindName(Kind kind) {
  static constexpr const char* kNames[kKinds] = {"open",
                                                 "read",
                                                 "write",
                                                 "seek",
                                                 "close",
                                                 "copy/move",
                                                 "delete",
                                                 "create folder",
                                                 "query",
                                                 "time stamp",
                                                 "registry open/read",
                                                 "registry write",
                                                 "profile write",
                                                 "link save",
                                                 "mutex",
                                                 "exec",
                                                 "current directory"};
  const int i = static_cast<int>(kind);
  return i >= 0 && i < kKinds ? kNames[i] : "?";
}

FaultTable::FaultTable(std::optional<Fault> fault) {
  if (gState.active) throw std::logic_error("one fault table at a time");
  gState = State{};
  gState.inner = plat::services();
  gState.fault = fault;
  gState.active = true;
  scope_.emplace(Counting());
}

FaultTable::~FaultTable() {
  scope_.reset();
  gState.active = false;
}

int FaultTable::Calls(Kind kind) const { return gState.calls[static_cast<int>(kind)]; }
int FaultTable::AllCalls() const { return gState.all; }
bool FaultTable::Fired() const { return gState.fired; }

}  // namespace setup::faults
