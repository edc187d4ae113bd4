// Kernel and file services: current directory, temp path, attributes, directory search,
// folders, copy/delete/rename, file handles, time stamps, module path, short names,
// environment. All paths are Windows paths in code page 1250.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace plat {

// One entry of a directory search.
struct FindData {
  std::string name;  // the entry's name, without its folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

enum class OpenMode {
  kRead,         // existing file, read only
  kCreate,       // create or truncate, read and write (CREATE_ALWAYS)
  kReadWrite,    // existing file, read and write (OPEN_EXISTING)
  kWriteAttrib,  // existing file, opened only to change its time stamp
  kReplace,      // as kCreate, but a link (or reparse point) at the path is removed and a
                 // new file made in its place: nothing is ever written through a link
};

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// The process's current directory: no trailing backslash except for a drive root ("C:\").
Result<std::string> CurrentDirectory();
std::uint32_t SetCurrentDirectory(const std::string& path);

// The system temp folder, with its trailing backslash (GetTempPath).
Result<std::string> TempPath();

// GetFileAttributes; fails with the error code when the path does not exist.
Result<std::uint32_t> FileAttributes(const std::string& path);
std::uint32_t SetFileAttributes(const std::string& path, std::uint32_t attributes);

// FindFirstFile/FindNextFile/FindClose over a pattern such as "C:\dir\*.*". Every entry
// is returned, "." and ".." included; filtering by attribute is the caller's.
Result<Handle> FindFirst(const std::string& pattern, FindData& first);
std::uint32_t FindNext(Handle search, FindData& next);  // kNoMoreFiles at the end
void FindClose(Handle search);

std::uint32_t CreateDirectory(const std::string& path);
std::uint32_t RemoveDirectory(const std::string& path);  // empty folders only
std::uint32_t DeleteFile(const std::string& path);       // refuses read-only files
std::uint32_t CopyFile(const std::string& from, const std::string& to, bool failIfExists);
std::uint32_t MoveFile(const std::string& from, const std::string& to);  // replaces `to`

Result<Handle> OpenFile(const std::string& path, OpenMode mode);
// Reads up to `size` bytes; 0 bytes at the end of the file.
Result<std::size_t> ReadFile(Handle file, void* buffer, std::size_t size);
Result<std::size_t> WriteFile(Handle file, const void* buffer, std::size_t size);
Result<std::int64_t> SeekFile(Handle file, std::int64_t offset, SeekOrigin origin);
Result<std::int64_t> FileSize(Handle file);
std::uint32_t CloseFile(Handle file);
// Sets the last-write time from a DOS date and time taken as local time.
std::uint32_t SetFileTimeFromDos(Handle file, std::uint16_t dosDate, std::uint16_t dosTime);

// Full path of the running program file.
Result<std::string> ModuleFileName();
// GetShortPathName; fails (error set) when the path does not exist.
Result<std::string> ShortPathName(const std::string& path);
// An environment variable of the process; nullopt when it is not set.
std::optional<std::string> Environment(const std::string& name);

// Owns an open file handle; closes it once.
class File {
 public:
  File() = default;
  explicit File(Handle h) : handle_(h) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : handle_(other.release()) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  ~File() { reset(); }

  static Result<File> Open(const std::string& path, OpenMode mode) {
    auto h = OpenFile(path, mode);
    if (!h.ok()) return Result<File>::failure(h.error);
    return Result<File>{File(h.value()), kOk};
  }
  bool valid() const { return handle_ != kNoHandle; }
  Handle get() const { return handle_; }
  Handle release() {
    Handle h = handle_;
    handle_ = kNoHandle;
    return h;
  }
  // Closes now and reports the outcome (a close can fail on a full disk).
  std::uint32_t close() {
    if (handle_ == kNoHandle) return kOk;
    return CloseFile(release());
  }
  void reset() {
    if (handle_ != kNoHandle) CloseFile(release());
  }

 private:
  Handle handle_ = kNoHandle;
};

// Owns a directory search.
class DirSearch {
 public:
  explicit DirSearch(const std::string& pattern) {
    auto h = FindFirst(pattern, current_);
    handle_ = h.ok() ? h.value() : kNoHandle;
    error_ = h.error;
  }
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;
  ~DirSearch() { close(); }

  bool valid() const { return handle_ != kNoHandle; }
  std::uint32_t error() const { return error_; }
  const FindData& entry() const { return current_; }
  // Advances to the next entry; false at the end or on an error.
  bool next() {
    if (handle_ == kNoHandle) return false;
    error_ = FindNext(handle_, current_);
    return error_ == kOk;
  }
  void close() {
    if (handle_ != kNoHandle) FindClose(handle_);
    handle_ = kNoHandle;
  }

 private:
  Handle handle_ = kNoHandle;
  FindData current_;
  std::uint32_t error_ = kOk;
};

}  // namespace plat
