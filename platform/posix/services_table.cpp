// The service table of the POSIX body.
#include "platform/posix/body.h"
#include "platform/services.h"

namespace plat {

const Services& NativeServices() {
  static const Services table = {
      posix::CurrentDirectory,   posix::SetCurrentDirectory,
      posix::TempPath,           posix::FileAttributes,
      posix::SetFileAttributes,  posix::FindFirst,
      posix::FindNext,           posix::FindClose,
      posix::CreateDirectory,    posix::RemoveDirectory,
      posix::DeleteFile,         posix::CopyFile,
      posix::MoveFile,           posix::OpenFile,
      posix::ReadFile,           posix::WriteFile,
      posix::SeekFile,           posix::FileSize,
      posix::CloseFile,          posix::SetFileTimeFromDos,
      posix::ModuleFileName,     posix::ShortPathName,
      posix::Environment,        posix::RegOpenKey,
      posix::RegCreateKey,       posix::RegCloseKey,
      posix::RegQueryValue,      posix::RegSetString,
      posix::RegSetDword,
      posix::RegDeleteKey,       posix::RegQueryInfo,
      posix::RegEnumKey,         posix::ProfileGetString,
      posix::ProfileWriteString, posix::CreateNamedMutex,
      posix::CloseMutex,         posix::StartHidden,
      posix::SaveShellLink,
  };
  return table;
}

}  // namespace plat
