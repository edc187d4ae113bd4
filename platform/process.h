// Process services: the named single-instance mutex and starting a hidden command.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

// CreateMutexA, initially owned. `error` is kAlreadyExists when the name was taken, and the
// handle is valid then too (it must still be closed); another error means no handle.
struct MutexResult {
  Handle handle = kNoHandle;
  std::uint32_t error = kOk;
};
MutexResult CreateNamedMutex(const std::string& name);
void CloseMutex(Handle mutex);

// WinExec(commandLine, SW_HIDE): a value above 31 means started; the caller may ignore it.
std::uint32_t StartHidden(const std::string& commandLine);

// Owns a mutex handle; releases it once.
class NamedMutex {
 public:
  NamedMutex() = default;
  explicit NamedMutex(Handle h) : handle_(h) {}
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;
  ~NamedMutex() { release(); }
  bool held() const { return handle_ != kNoHandle; }
  void release() {
    if (handle_ != kNoHandle) CloseMutex(handle_);
    handle_ = kNoHandle;
  }

 private:
  Handle handle_ = kNoHandle;
};

}  // namespace plat
