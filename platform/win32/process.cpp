// Process services: the named single-instance mutex and WinExec.
#include "platform/win32/win.h"

namespace plat::win32 {

MutexResult CreateNamedMutex(const std::string& name) {
  HANDLE h = CreateMutexA(nullptr, TRUE, name.c_str());
  DWORD e = GetLastError();
  if (h == nullptr) return MutexResult{kNoHandle, LastErrorOr(kInvalidParameter)};
  return MutexResult{ToHandle(h), e == ERROR_ALREADY_EXISTS ? kAlreadyExists : kOk};
}

void CloseMutex(Handle mutex) {
  // Owned when this call created the mutex; releasing one owned elsewhere fails harmlessly.
  ReleaseMutex(ToHANDLE(mutex));
  CloseHandle(ToHANDLE(mutex));
}

std::uint32_t StartHidden(const std::string& commandLine) {
  return WinExec(commandLine.c_str(), SW_HIDE);
}

}  // namespace plat::win32
