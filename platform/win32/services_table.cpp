// The Win32 body's table of platform services.
#include "platform/win32/win.h"

namespace plat {

const Services& NativeServices() {
  static const Services table{
      .currentDirectory = win32::CurrentDirectory,
      .setCurrentDirectory = win32::SetCurrentDirectory,
      .tempPath = win32::TempPath,
      .fileAttributes = win32::FileAttributes,
      .setFileAttributes = win32::SetFileAttributes,
      .findFirst = win32::FindFirst,
      .findNext = win32::FindNext,
      .findClose = win32::FindClose,
      .createDirectory = win32::CreateDirectory,
      .removeDirectory = win32::RemoveDirectory,
      .deleteFile = win32::DeleteFile,
      .copyFile = win32::CopyFile,
      .moveFile = win32::MoveFile,
      .openFile = win32::OpenFile,
      .readFile = win32::ReadFile,
      .writeFile = win32::WriteFile,
      .seekFile = win32::SeekFile,
      .fileSize = win32::FileSize,
      .closeFile = win32::CloseFile,
      .setFileTimeFromDos = win32::SetFileTimeFromDos,
      .moduleFileName = win32::ModuleFileName,
      .shortPathName = win32::ShortPathName,
      .environment = win32::Environment,
      .regOpenKey = win32::RegOpenKey,
      .regCreateKey = win32::RegCreateKey,
      .regCloseKey = win32::RegCloseKey,
      .regQueryValue = win32::RegQueryValue,
      .regSetString = win32::RegSetString,
      .regSetDword = win32::RegSetDword,
      .regDeleteKey = win32::RegDeleteKey,
      .regQueryInfo = win32::RegQueryInfo,
      .regEnumKey = win32::RegEnumKey,
      .profileGetString = win32::ProfileGetString,
      .profileWriteString = win32::ProfileWriteString,
      .createNamedMutex = win32::CreateNamedMutex,
      .closeMutex = win32::CloseMutex,
      .startHidden = win32::StartHidden,
      .saveShellLink = win32::SaveShellLink,
  };
  return table;
}

}  // namespace plat
