// Kernel and file services on the Win32 A functions.
#include <algorithm>
#include <vector>

#include "platform/win32/win.h"

namespace plat::win32 {

namespace {

// Buffer sizes the installer has always used with these calls.
constexpr DWORD kCurrentDirectoryBuffer = 260;
constexpr DWORD kTempPathBuffer = 255;
// The longest path any A function returns (the "\\?\" limit).
constexpr DWORD kLongestPath = 32768;
// One ReadFile/WriteFile call moves at most this many bytes, on 32 and 64 bit alike.
constexpr std::size_t kMaxTransfer = 0x40000000;

std::uint32_t Status(BOOL ok) { return ok ? kOk : LastErrorOr(kInvalidParameter); }

// A path into a fixed buffer, as GetCurrentDirectoryA and GetTempPathA fill one: a result
// that does not fit comes back as the size it would need, which is refused here.
template <class Call>
Result<std::string> FixedBufferPath(DWORD size, Call call) {
  std::vector<char> buffer(size);
  DWORD n = call(size, buffer.data());
  if (n == 0) return Result<std::string>::failure(LastErrorOr(kInvalidParameter));
  if (n >= size) return Result<std::string>::failure(ERROR_FILENAME_EXCED_RANGE);
  return Result<std::string>{std::string(buffer.data(), n), kOk};
}

FindData FromFind(const WIN32_FIND_DATAA& f) {
  FindData d;
  d.name = f.cFileName;
  d.attributes = f.dwFileAttributes;
  d.size = (static_cast<std::uint64_t>(f.nFileSizeHigh) << 32) | f.nFileSizeLow;
  return d;
}

}  // namespace

Result<std::string> CurrentDirectory() {
  return FixedBufferPath(kCurrentDirectoryBuffer,
                         [](DWORD n, char* b) { return GetCurrentDirectoryA(n, b); });
}

std::uint32_t SetCurrentDirectory(const std::string& path) {
  return Status(SetCurrentDirectoryA(path.c_str()));
}

Result<std::string> TempPath() {
  return FixedBufferPath(kTempPathBuffer, [](DWORD n, char* b) { return GetTempPathA(n, b); });
}

Result<std::uint32_t> FileAttributes(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES)
    return Result<std::uint32_t>{kInvalidAttributes, LastErrorOr(kFileNotFound)};
  return Result<std::uint32_t>{a, kOk};
}

std::uint32_t SetFileAttributes(const std::string& path, std::uint32_t attributes) {
  return Status(SetFileAttributesA(path.c_str(), attributes));
}

Result<Handle> FindFirst(const std::string& pattern, FindData& first) {
  WIN32_FIND_DATAA f{};
  HANDLE h = FindFirstFileA(pattern.c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return Result<Handle>{kNoHandle, LastErrorOr(kFileNotFound)};
  first = FromFind(f);
  return Result<Handle>{ToHandle(h), kOk};
}

std::uint32_t FindNext(Handle search, FindData& next) {
  WIN32_FIND_DATAA f{};
  if (!FindNextFileA(ToHANDLE(search), &f)) return LastErrorOr(kNoMoreFiles);
  next = FromFind(f);
  return kOk;
}

void FindClose(Handle search) { ::FindClose(ToHANDLE(search)); }

std::uint32_t CreateDirectory(const std::string& path) {
  return Status(CreateDirectoryA(path.c_str(), nullptr));
}

std::uint32_t RemoveDirectory(const std::string& path) {
  return Status(RemoveDirectoryA(path.c_str()));
}

std::uint32_t DeleteFile(const std::string& path) { return Status(DeleteFileA(path.c_str())); }

std::uint32_t CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  return Status(CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE));
}

std::uint32_t MoveFile(const std::string& from, const std::string& to) {
  return Status(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
}

Result<Handle> OpenFile(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ;
  DWORD share = FILE_SHARE_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kRead:
      break;
    case OpenMode::kCreate:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::kReplace: {
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      // CreateFile would write through a symbolic link or junction: the link itself goes
      // (a folder link with RemoveDirectory, which leaves its target alone) and the new
      // file must not exist when it is made.
      const DWORD attributes = GetFileAttributesA(path.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES &&
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                 ? RemoveDirectoryA(path.c_str())
                                 : DeleteFileA(path.c_str());
        if (!removed) return Result<Handle>{kNoHandle, LastErrorOr(kAccessDenied)};
        disposition = CREATE_NEW;
      }
      break;
    }
    case OpenMode::kReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
    case OpenMode::kWriteAttrib:
      access = FILE_WRITE_ATTRIBUTES;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
  }
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Result<Handle>{kNoHandle, LastErrorOr(kFileNotFound)};
  return Result<Handle>{ToHandle(h), kOk};
}

Result<std::size_t> ReadFile(Handle file, void* buffer, std::size_t size) {
  DWORD got = 0;
  DWORD want = static_cast<DWORD>(std::min(size, kMaxTransfer));
  if (!::ReadFile(ToHANDLE(file), buffer, want, &got, nullptr))
    return Result<std::size_t>::failure(LastErrorOr(kReadFault));
  return Result<std::size_t>{got, kOk};
}

Result<std::size_t> WriteFile(Handle file, const void* buffer, std::size_t size) {
  const char* p = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    DWORD put = 0;
    DWORD want = static_cast<DWORD>(std::min(size - done, kMaxTransfer));
    if (!::WriteFile(ToHANDLE(file), p + done, want, &put, nullptr))
      return Result<std::size_t>{done, LastErrorOr(kWriteFault)};
    // A write that moves nothing without an error is a full disk.
    if (put == 0) return Result<std::size_t>{done, kDiskFull};
    done += put;
  }
  return Result<std::size_t>{done, kOk};
}

Result<std::int64_t> SeekFile(Handle file, std::int64_t offset, SeekOrigin origin) {
  DWORD method = FILE_BEGIN;
  if (origin == SeekOrigin::kCurrent) method = FILE_CURRENT;
  if (origin == SeekOrigin::kEnd) method = FILE_END;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(ToHANDLE(file), distance, &position, method))
    return Result<std::int64_t>::failure(LastErrorOr(kInvalidParameter));
  return Result<std::int64_t>{position.QuadPart, kOk};
}

Result<std::int64_t> FileSize(Handle file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(ToHANDLE(file), &size))
    return Result<std::int64_t>::failure(LastErrorOr(kInvalidHandle));
  return Result<std::int64_t>{size.QuadPart, kOk};
}

std::uint32_t CloseFile(Handle file) {
  if (!CloseHandle(ToHANDLE(file))) return LastErrorOr(kInvalidHandle);
  return kOk;
}

std::uint32_t SetFileTimeFromDos(Handle file, std::uint16_t dosDate, std::uint16_t dosTime) {
  FILETIME local{};
  FILETIME utc{};
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local)) return LastErrorOr(kInvalidParameter);
  if (!LocalFileTimeToFileTime(&local, &utc)) return LastErrorOr(kInvalidParameter);
  return Status(::SetFileTime(ToHANDLE(file), nullptr, nullptr, &utc));
}

Result<std::string> ModuleFileName() {
  // A result that fills the buffer may have been cut: retry with a larger one.
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::vector<char> buffer(size);
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (n == 0) return Result<std::string>::failure(LastErrorOr(kInvalidParameter));
    if (n < size) return Result<std::string>{std::string(buffer.data(), n), kOk};
  }
  return Result<std::string>::failure(ERROR_FILENAME_EXCED_RANGE);
}

Result<std::string> ShortPathName(const std::string& path) {
  // The needed size can change between the two calls when the path is renamed meanwhile.
  DWORD need = GetShortPathNameA(path.c_str(), nullptr, 0);
  while (need != 0) {
    std::vector<char> buffer(need);
    DWORD n = GetShortPathNameA(path.c_str(), buffer.data(), need);
    if (n == 0) break;
    if (n < need) return Result<std::string>{std::string(buffer.data(), n), kOk};
    need = n;
  }
  return Result<std::string>::failure(LastErrorOr(kFileNotFound));
}

std::optional<std::string> Environment(const std::string& name) {
  SetLastError(ERROR_SUCCESS);
  DWORD need = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  while (need != 0) {
    std::vector<char> buffer(need);
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableA(name.c_str(), buffer.data(), need);
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (n < need) return std::string(buffer.data(), n);
    need = n;
  }
  if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return std::string();
}

}  // namespace plat::win32
