// Shared value types of the platform seam. Strings are Windows-style: backslash paths with
// drive letters, 8-bit texts in code page 1250. No Windows type appears here.
#pragma once

#include <cassert>
#include <cstdint>
#include <string>
#include <utility>

namespace plat {

// An opaque handle of the platform (a Windows HANDLE/HKEY, a POSIX descriptor, or an index).
using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

// Win32 error codes the logic reads. Every body reports failures with these values.
enum ErrorCode : std::uint32_t {
  kOk = 0,
  kFileNotFound = 2,
  kPathNotFound = 3,
  kTooManyOpenFiles = 4,
  kAccessDenied = 5,
  kInvalidHandle = 6,
  kNotEnoughMemory = 8,
  kNoMoreFiles = 18,
  kWriteFault = 29,
  kReadFault = 30,
  kHandleEof = 38,
  kFileExists = 80,
  kInvalidParameter = 87,
  kDiskFull = 112,
  kInvalidName = 123,
  kDirNotEmpty = 145,
  kBadPathname = 161,
  kAlreadyExists = 183,
  kMoreData = 234,
  kNoMoreItems = 259,
  kBadExeFormat = 193,
};

// File attribute bits, as Win32 defines them.
enum Attribute : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrVolumeLabel = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
  kAttrReparsePoint = 0x400,
};
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// A value with the Win32 error code of its failure. The value is read through value(), * or
// ->, and only after ok() said it is there: builds with assertions stop a read that skipped the
// check or that follows a failure.
template <class T>
class Result {
 public:
  Result() = default;
  Result(T value, std::uint32_t code) : error(code), value_(std::move(value)) {}
  static Result failure(std::uint32_t code) { return Result{T{}, code}; }

  bool ok() const {
#ifndef NDEBUG
    checked_ = true;
#endif
    return error == kOk;
  }
  T& value() & {
    CheckRead();
    return value_;
  }
  const T& value() const& {
    CheckRead();
    return value_;
  }
  T&& value() && {
    CheckRead();
    return std::move(value_);
  }
  // The value, or `fallback` when the call failed.
  T value_or(T fallback) const& { return ok() ? value_ : std::move(fallback); }
  T value_or(T fallback) && { return ok() ? std::move(value_) : std::move(fallback); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  std::uint32_t error = kOk;

 private:
  void CheckRead() const { assert(checked_ && error == kOk); }

  T value_{};
#ifndef NDEBUG
  mutable bool checked_ = false;
#endif
};

}  // namespace plat
