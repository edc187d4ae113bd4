// The simulated Windows machine of the POSIX body: the prefix folder, its seeding, and the
// mapping between Windows paths (code page 1250) and host paths (UTF-8).
//
// C: is PREFIX/drive_c and Z: is the host root. Each component of a Windows path is matched
// against what exists without regard to letter case; a name that does not exist is used as
// given. PREFIX is read from the environment on every call, so a test can point each case at
// a fresh folder.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/types.h"

namespace plat::posix {

// Win32 codes that only the POSIX body produces.
inline constexpr std::uint32_t kErrNotSameDevice = 17;
inline constexpr std::uint32_t kErrNegativeSeek = 131;
inline constexpr std::uint32_t kErrFilenameTooLong = 206;
inline constexpr std::uint32_t kErrDirectory = 267;
inline constexpr std::uint32_t kErrKeyDeleted = 1018;

// Longest Windows path an ANSI call accepts (MAX_PATH without its terminating zero).
inline constexpr std::size_t kMaxPath = 259;

// Host folder of the prefix: $SETUP_PREFIX, else $XDG_DATA_HOME/vorlex-setup, else
// ~/.local/share/vorlex-setup. Not created.
std::string PrefixDir();
// PrefixDir(), created and seeded when drive_c is missing; an error code when that fails.
Result<std::string> EnsurePrefix();

// The user's name as the Windows side spells it (code page 1250).
std::string WindowsUserName();
// "C:\users\<user>\Temp", without a trailing backslash.
std::string WindowsTempFolder();

// The host's current directory as a Windows path.
Result<std::string> CurrentDirectoryWindows();

// GetFullPathName: an absolute, normalised Windows path ("C:\a\b", "Z:\"). Relative paths
// are taken against the current directory; "." and ".." are resolved; '/' is a separator.
Result<std::string> FullWindowsPath(const std::string& path);

struct HostPath {
  std::string host;          // the host path (UTF-8)
  std::string windows;       // the full Windows path it came from
  std::string name;          // its last component, as found on disk or as given (1250)
  bool parentFound = false;  // every folder above the last component exists
  bool exists = false;       // the last component exists (a dangling link counts)
  bool isRoot = false;       // a drive root
  struct stat entry {};      // lstat of the last component when it exists (not for a root);
                             // of a folder known to the cache only its type, bits and identity
};
// Maps a Windows path; fails only for a name that cannot be mapped (unknown drive, too
// long, UNC, a character Windows names cannot hold), with the Win32 code.
Result<HostPath> MapPath(const std::string& path);
// MapPath keeps what it resolved; the body tells it about its own changes to the tree so
// that it stays current: a name created (an empty folder made by the body is known to be
// empty), or an entry removed or renamed away (a folder with everything below it).
enum class Created { kEntry, kEmptyFolder };
void NoteCreated(const HostPath& p, Created what);
void NoteRemoved(const HostPath& p);

// ERROR_FILE_NOT_FOUND when only the last component is missing, else ERROR_PATH_NOT_FOUND.
inline std::uint32_t MissingError(const HostPath& p) {
  return p.parentFound ? kFileNotFound : kPathNotFound;
}

// The Windows path of an absolute host path: under drive_c as C:\..., else Z:\...
std::string HostToWindows(const std::string& host);

// The Win32 code of an errno value.
std::uint32_t ErrnoToWin32(int err);

// The whole content of a host file, or the Win32 code of the failure to open or read it.
Result<std::string> ReadHostFile(const std::string& host);
// Writes all `size` bytes to descriptor `fd`, going on after interruptions and short writes;
// 0, or the errno of the failure.
int WriteAll(int fd, const char* data, std::size_t size);

// Case-insensitive comparison of 1250 texts, as the Windows file system and registry do.
bool SameName(std::string_view a, std::string_view b);
char FoldCase(char c);

// Writes REG_SZ values into the hive file of `prefix` in one replacement (registry.cpp);
// used by seeding, which runs before the prefix is ready for the handle-based calls.
struct HiveString {
  std::string keyPath;
  std::string name;
  std::string value;
};
std::uint32_t WriteHiveStrings(const std::string& prefix, Hive hive,
                               const std::vector<HiveString>& values);

}  // namespace plat::posix
