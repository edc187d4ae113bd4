// Internal to the Win32 body: <windows.h> without the macros that would rename the seam's
// own functions (plat::CreateDirectory, plat::DeleteFile, plat::RegOpenKey, ...), the
// handle conversions, and the body's functions that services_table.cpp puts in the table.
// Any Win32 source that also includes platform headers should include this, not <windows.h>.
#pragma once

#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef MoveFile
#undef RegCreateKey
#undef RegDeleteKey
#undef RegEnumKey
#undef RegOpenKey
#undef RegQueryValue
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef SetFileAttributes

#include <cstdint>

#include "platform/services.h"

namespace plat::win32 {

inline Handle ToHandle(HANDLE h) { return reinterpret_cast<Handle>(h); }
inline HANDLE ToHANDLE(Handle h) { return reinterpret_cast<HANDLE>(h); }
inline Handle ToHandle(HKEY k) { return reinterpret_cast<Handle>(k); }
inline HKEY ToHKEY(Handle h) { return reinterpret_cast<HKEY>(h); }

// GetLastError() of a call that reported failure, never kOk: a failure must not read as
// success even when the system left no code behind.
inline std::uint32_t LastErrorOr(std::uint32_t fallback) {
  DWORD e = GetLastError();
  return e != ERROR_SUCCESS ? e : fallback;
}

PLAT_SERVICES(PLAT_DECLARE)

}  // namespace plat::win32
