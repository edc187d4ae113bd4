#include "fault_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

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

template <class T>
plat::Result<T> Failure(std::uint32_t code) {
  return plat::Result<T>::failure(code);
}

// --- files ------------------------------------------------------------------------------------
plat::Result<std::string> CurrentDirectory() {
  if (Fail(Kind::kDirectory)) return Failure<std::string>(plat::kAccessDenied);
  return In().currentDirectory();
}
std::uint32_t SetCurrentDirectory(const std::string& path) {
  if (Fail(Kind::kDirectory)) return plat::kAccessDenied;
  return In().setCurrentDirectory(path);
}
plat::Result<std::string> TempPath() {
  if (Fail(Kind::kDirectory)) return Failure<std::string>(plat::kAccessDenied);
  return In().tempPath();
}
plat::Result<std::uint32_t> FileAttributes(const std::string& path) {
  if (Fail(Kind::kQuery)) return {plat::kInvalidAttributes, plat::kAccessDenied};
  return In().fileAttributes(path);
}
std::uint32_t SetFileAttributes(const std::string& path, std::uint32_t attributes) {
  if (Fail(Kind::kStamp)) return plat::kAccessDenied;
  return In().setFileAttributes(path, attributes);
}
plat::Result<plat::Handle> FindFirst(const std::string& pattern, plat::FindData& first) {
  if (Fail(Kind::kQuery)) return {plat::kNoHandle, plat::kAccessDenied};
  return In().findFirst(pattern, first);
}
std::uint32_t FindNext(plat::Handle search, plat::FindData& next) {
  if (Fail(Kind::kQuery)) return plat::kAccessDenied;
  return In().findNext(search, next);
}
void FindClose(plat::Handle search) { In().findClose(search); }
std::uint32_t CreateDirectory(const std::string& path) {
  if (Fail(Kind::kFolder)) return plat::kAccessDenied;
  return In().createDirectory(path);
}
std::uint32_t RemoveDirectory(const std::string& path) {
  if (Fail(Kind::kDelete)) return kSharingViolation;
  return In().removeDirectory(path);
}
std::uint32_t DeleteFile(const std::string& path) {
  if (Fail(Kind::kDelete)) return kSharingViolation;
  return In().deleteFile(path);
}
std::uint32_t CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (Fail(Kind::kMove)) return plat::kDiskFull;
  return In().copyFile(from, to, failIfExists);
}
std::uint32_t MoveFile(const std::string& from, const std::string& to) {
  if (Fail(Kind::kMove)) return plat::kAccessDenied;
  return In().moveFile(from, to);
}
plat::Result<plat::Handle> OpenFile(const std::string& path, plat::OpenMode mode) {
  if (Fail(Kind::kOpen)) {
    return {plat::kNoHandle,
            mode == plat::OpenMode::kRead ? kSharingViolation : plat::kAccessDenied};
  }
  return In().openFile(path, mode);
}
plat::Result<std::size_t> ReadFile(plat::Handle file, void* buffer, std::size_t size) {
  if (Fail(Kind::kRead)) return Failure<std::size_t>(plat::kReadFault);
  return In().readFile(file, buffer, size);
}
plat::Result<std::size_t> WriteFile(plat::Handle file, const void* buffer, std::size_t size) {
  if (Fail(Kind::kWrite)) return Failure<std::size_t>(plat::kDiskFull);
  return In().writeFile(file, buffer, size);
}
plat::Result<std::int64_t> SeekFile(plat::Handle file, std::int64_t offset,
                                    plat::SeekOrigin origin) {
  if (Fail(Kind::kSeek)) return Failure<std::int64_t>(kSeekError);
  return In().seekFile(file, offset, origin);
}
plat::Result<std::int64_t> FileSize(plat::Handle file) {
  if (Fail(Kind::kSeek)) return Failure<std::int64_t>(kSeekError);
  return In().fileSize(file);
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
std::uint32_t SetFileTimeFromDos(plat::Handle file, std::uint16_t date, std::uint16_t time) {
  if (Fail(Kind::kStamp)) return plat::kAccessDenied;
  return In().setFileTimeFromDos(file, date, time);
}
plat::Result<std::string> ModuleFileName() {
  if (Fail(Kind::kQuery)) return Failure<std::string>(plat::kAccessDenied);
  return In().moduleFileName();
}
plat::Result<std::string> ShortPathName(const std::string& path) {
  if (Fail(Kind::kQuery)) return Failure<std::string>(plat::kAccessDenied);
  return In().shortPathName(path);
}
std::optional<std::string> Environment(const std::string& name) { return In().environment(name); }

// --- registry ---------------------------------------------------------------------------------
plat::Result<plat::Handle> RegOpenKey(plat::Hive hive, const std::string& path) {
  if (Fail(Kind::kRegOpen)) return {plat::kNoHandle, plat::kAccessDenied};
  return In().regOpenKey(hive, path);
}
plat::Result<plat::Handle> RegCreateKey(plat::Hive hive, const std::string& path) {
  if (Fail(Kind::kRegOpen)) return {plat::kNoHandle, plat::kAccessDenied};
  return In().regCreateKey(hive, path);
}
void RegCloseKey(plat::Handle key) { In().regCloseKey(key); }
plat::Result<plat::RegValue> RegQueryValue(plat::Handle key, const std::string& name) {
  if (Fail(Kind::kRegOpen)) return Failure<plat::RegValue>(plat::kAccessDenied);
  return In().regQueryValue(key, name);
}
std::uint32_t RegSetString(plat::Handle key, const std::string& name, const std::string& value) {
  if (Fail(Kind::kRegWrite)) return plat::kAccessDenied;
  return In().regSetString(key, name, value);
}
std::uint32_t RegSetDword(plat::Handle key, const std::string& name, std::uint32_t value) {
  if (Fail(Kind::kRegWrite)) return plat::kAccessDenied;
  return In().regSetDword(key, name, value);
}
std::uint32_t RegDeleteKey(plat::Handle key, const std::string& subkey) {
  if (Fail(Kind::kRegWrite)) return plat::kAccessDenied;
  return In().regDeleteKey(key, subkey);
}
plat::Result<plat::RegKeyInfo> RegQueryInfo(plat::Handle key) {
  if (Fail(Kind::kRegOpen)) return Failure<plat::RegKeyInfo>(plat::kAccessDenied);
  return In().regQueryInfo(key);
}
plat::Result<std::string> RegEnumKey(plat::Handle key, std::uint32_t index) {
  if (Fail(Kind::kRegOpen)) return Failure<std::string>(plat::kAccessDenied);
  return In().regEnumKey(key, index);
}

// --- profile, process, shell link -------------------------------------------------------------
std::string ProfileGetString(const std::string& section, const std::string& key,
                             const std::string& fallback, const std::string& file) {
  return In().profileGetString(section, key, fallback, file);
}
std::uint32_t ProfileWriteString(const std::string& section, const std::optional<std::string>& key,
                                 const std::optional<std::string>& value, const std::string& file) {
  if (Fail(Kind::kProfile)) return plat::kAccessDenied;
  return In().profileWriteString(section, key, value, file);
}
plat::MutexResult CreateNamedMutex(const std::string& name) {
  if (Fail(Kind::kMutex)) return {plat::kNoHandle, plat::kAccessDenied};
  return In().createNamedMutex(name);
}
void CloseMutex(plat::Handle mutex) { In().closeMutex(mutex); }
std::uint32_t StartHidden(const std::string& command) {
  if (Fail(Kind::kExec)) return kWinExecNotFound;
  return In().startHidden(command);
}
plat::ShellLinkOutcome SaveShellLink(const std::string& target, const std::string& directory,
                                     const std::string& link) {
  if (Fail(Kind::kLink)) return {};
  return In().saveShellLink(target, directory, link);
}

// The counting table: every entry of the table in force replaced by its counting wrapper.
plat::Services Counting() {
  plat::Services t = gState.inner;
  t.currentDirectory = &CurrentDirectory;
  t.setCurrentDirectory = &SetCurrentDirectory;
  t.tempPath = &TempPath;
  t.fileAttributes = &FileAttributes;
  t.setFileAttributes = &SetFileAttributes;
  t.findFirst = &FindFirst;
  t.findNext = &FindNext;
  t.findClose = &FindClose;
  t.createDirectory = &CreateDirectory;
  t.removeDirectory = &RemoveDirectory;
  t.deleteFile = &DeleteFile;
  t.copyFile = &CopyFile;
  t.moveFile = &MoveFile;
  t.openFile = &OpenFile;
  t.readFile = &ReadFile;
  t.writeFile = &WriteFile;
  t.seekFile = &SeekFile;
  t.fileSize = &FileSize;
  t.closeFile = &CloseFile;
  t.setFileTimeFromDos = &SetFileTimeFromDos;
  t.moduleFileName = &ModuleFileName;
  t.shortPathName = &ShortPathName;
  t.environment = &Environment;
  t.regOpenKey = &RegOpenKey;
  t.regCreateKey = &RegCreateKey;
  t.regCloseKey = &RegCloseKey;
  t.regQueryValue = &RegQueryValue;
  t.regSetString = &RegSetString;
  t.regSetDword = &RegSetDword;
  t.regDeleteKey = &RegDeleteKey;
  t.regQueryInfo = &RegQueryInfo;
  t.regEnumKey = &RegEnumKey;
  t.profileGetString = &ProfileGetString;
  t.profileWriteString = &ProfileWriteString;
  t.createNamedMutex = &CreateNamedMutex;
  t.closeMutex = &CloseMutex;
  t.startHidden = &StartHidden;
  t.saveShellLink = &SaveShellLink;
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
