// Prefix location, seeding and the Windows <-> host path mapping.
#include "platform/posix/prefix.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/codepage.h"

namespace plat::posix {
namespace {

std::string EnvOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string HomeDir() {
  std::string home = EnvOrEmpty("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

bool IsDir(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p; true when the folder exists afterwards.
bool MakeDirs(const std::string& host) {
  if (IsDir(host)) return true;
  const auto slash = host.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirs(host.substr(0, slash))) return false;
  return mkdir(host.c_str(), 0777) == 0 || (errno == EEXIST && IsDir(host));
}

// Host name of a Windows path below C:\ ("users\x\Temp" -> "users/x/Temp").
std::string HostRelative(const std::string& windows) {
  std::string out = Cp1250ToUtf8(windows);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// Creates drive_c with the folders of a fresh machine and the registry values that point at
// them. The tree is built under another name and renamed into place, so a process that sees
// drive_c sees it whole; the lock keeps two processes from seeding at once.
std::uint32_t Seed(const std::string& prefix) {
  const std::string driveC = prefix + "/drive_c";
  const int lock = open((prefix + "/.seed.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock < 0) return ErrnoToWin32(errno);
  flock(lock, LOCK_EX);
  std::uint32_t error = kOk;
  if (!IsDir(driveC)) {
    const std::string user = WindowsUserName();
    const std::string profile = "C:\\users\\" + user;
    const std::string roaming = profile + "\\AppData\\Roaming\\Microsoft\\Windows";
    const std::string startMenu = roaming + "\\Start Menu";
    const std::string shell =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    error = WriteHiveStrings(
        prefix, Hive::kLocalMachine,
        {{"Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files"},
         {"Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\windows"}});
    if (error == kOk) {
      error = WriteHiveStrings(prefix, Hive::kCurrentUser,
                               {{shell, "Desktop", profile + "\\Desktop"},
                                {shell, "Start Menu", startMenu},
                                {shell, "Programs", startMenu + "\\Programs"},
                                {shell, "Startup", startMenu + "\\Programs\\StartUp"},
                                {shell, "Recent", roaming + "\\Recent"},
                                {shell, "Fonts", "C:\\windows\\Fonts"}});
    }
    const std::string staging = prefix + "/drive_c.seeding";
    const std::vector<std::string> folders = {
        "Program Files",
        "windows\\Fonts",
        "users\\" + user + "\\Desktop",
        "users\\" + user + "\\Temp",
        "users\\" + user + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp",
        "users\\" + user + "\\AppData\\Roaming\\Microsoft\\Windows\\Recent",
    };
    for (const auto& f : folders) {
      if (error == kOk && !MakeDirs(staging + "/" + HostRelative(f))) error = ErrnoToWin32(errno);
    }
    if (error == kOk && rename(staging.c_str(), driveC.c_str()) != 0) error = ErrnoToWin32(errno);
  }
  close(lock);
  return error;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits a Windows path (after its drive) into components, resolving "." and "..", dropping
// empty components and the trailing dots and blanks that Windows drops.
std::vector<std::string> Components(std::string_view rest) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t j = i;
    while (j < rest.size() && !IsSeparator(rest[j])) ++j;
    std::string part(rest.substr(i, j - i));
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (part != ".") {
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      if (!part.empty()) parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  return parts;
}

// A component made only of blanks and dots other than "." and "..": Windows drops trailing
// blanks and dots of a name, and a name with nothing else is invalid (it must not become
// the folder it is in).
bool HasBlankName(std::string_view rest) {
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t j = i;
    while (j < rest.size() && !IsSeparator(rest[j])) ++j;
    const std::string_view part = rest.substr(i, j - i);
    if (!part.empty() && part != "." && part != ".." &&
        part.find_first_not_of(". ") == std::string_view::npos) {
      return true;
    }
    i = j + 1;
  }
  return false;
}

// The entry of host folder `dir` whose name matches `want` (1250) without regard to case.
bool FindEntry(const std::string& dir, const std::string& want, std::string& found) {
  DIR* d = opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return false;
  bool hit = false;
  while (const dirent* e = readdir(d)) {
    if (SameName(Utf8ToCp1250(e->d_name), want)) {
      found = e->d_name;
      hit = true;
      break;
    }
  }
  closedir(d);
  return hit;
}

}  // namespace

std::string PrefixDir() {
  std::string prefix = EnvOrEmpty("SETUP_PREFIX");
  if (prefix.empty()) {
    std::string data = EnvOrEmpty("XDG_DATA_HOME");
    if (data.empty()) data = HomeDir() + "/.local/share";
    prefix = data + "/vorlex-setup";
  }
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  if (prefix[0] == '/') return prefix;
  // A relative setting is taken against the directory that was current when it was first
  // seen, so that changing the current directory does not move the machine.
  static std::map<std::string, std::string> absolute;
  auto it = absolute.find(prefix);
  if (it == absolute.end()) {
    std::string cwd(4096, '\0');
    if (!getcwd(cwd.data(), cwd.size())) return prefix;
    cwd.resize(std::char_traits<char>::length(cwd.data()));
    it = absolute.emplace(prefix, cwd + "/" + prefix).first;
  }
  return it->second;
}

Result<std::string> EnsurePrefix() {
  std::string prefix = PrefixDir();
  if (IsDir(prefix + "/drive_c")) return {prefix, kOk};
  if (!MakeDirs(prefix)) return Result<std::string>::failure(ErrnoToWin32(errno));
  if (const std::uint32_t e = Seed(prefix); e != kOk) return Result<std::string>::failure(e);
  return {prefix, kOk};
}

std::string WindowsUserName() {
  if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name) {
    return Utf8ToCp1250(pw->pw_name);
  }
  const std::string user = EnvOrEmpty("USER");
  return user.empty() ? std::string("user") : Utf8ToCp1250(user);
}

Result<std::string> CurrentDirectoryWindows() {
  std::string buf(4096, '\0');
  if (!getcwd(buf.data(), buf.size())) return Result<std::string>::failure(ErrnoToWin32(errno));
  buf.resize(std::char_traits<char>::length(buf.data()));
  return {HostToWindows(buf), kOk};
}

std::string WindowsTempFolder() { return "C:\\users\\" + WindowsUserName() + "\\Temp"; }

Result<std::string> FullWindowsPath(const std::string& path) {
  if (path.empty()) return Result<std::string>::failure(kPathNotFound);
  if (path.size() > kMaxPath) return Result<std::string>::failure(kErrFilenameTooLong);
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return Result<std::string>::failure(kBadPathname);  // UNC and device paths
  }
  const bool hasDrive = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  const std::string_view rest = std::string_view(path).substr(hasDrive ? 2 : 0);
  // Characters no Windows name may hold; the host would take them, Windows refuses them.
  for (char c : rest) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
      return Result<std::string>::failure(kInvalidName);
    }
  }
  if (HasBlankName(rest)) return Result<std::string>::failure(kInvalidName);
  const bool absolute = !rest.empty() && IsSeparator(rest[0]);
  char drive = hasDrive ? static_cast<char>(path[0] & ~0x20) : 'C';
  std::string joined(rest);
  if (!absolute || !hasDrive) {
    // Relative to the current directory (of the same drive), or to its drive's root.
    auto cwd = CurrentDirectoryWindows();
    if (!cwd.ok()) return Result<std::string>::failure(cwd.error);
    if (!hasDrive) drive = cwd.value[0];
    if (!absolute && cwd.value[0] == drive) joined = cwd.value.substr(2) + "\\" + joined;
  }
  std::string full(1, drive);
  full += ":";
  for (const auto& part : Components(joined)) full += "\\" + part;
  if (full.size() == 2) full += "\\";
  if (full.size() > kMaxPath) return Result<std::string>::failure(kErrFilenameTooLong);
  return {full, kOk};
}

Result<HostPath> MapPath(const std::string& path) {
  auto full = FullWindowsPath(path);
  if (!full.ok()) return Result<HostPath>::failure(full.error);
  HostPath out;
  out.windows = full.value;
  std::string base;
  if (full.value[0] == 'C') {
    auto prefix = EnsurePrefix();
    if (!prefix.ok()) return Result<HostPath>::failure(kPathNotFound);
    base = prefix.value + "/drive_c";
  } else if (full.value[0] != 'Z') {
    return Result<HostPath>::failure(kPathNotFound);
  }
  const auto parts = Components(std::string_view(full.value).substr(2));
  out.isRoot = parts.empty();
  out.parentFound = true;
  out.exists = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    std::string hostName = Cp1250ToUtf8(parts[i]);
    bool found = false;
    if (out.exists) {
      struct stat st;
      if (lstat((base + "/" + hostName).c_str(), &st) == 0) {
        found = true;
      } else if (std::string match; FindEntry(base, parts[i], match)) {
        hostName = match;
        found = true;
      }
    }
    base += "/" + hostName;
    if (last) {
      out.exists = found;
      out.name = found ? Utf8ToCp1250(hostName) : parts[i];
    } else if (!found || !IsDir(base)) {
      out.exists = false;
      out.parentFound = false;
    }
  }
  out.host = base.empty() ? "/" : base;
  if (!out.parentFound) out.exists = false;
  return {out, kOk};
}

std::string HostToWindows(const std::string& host) {
  std::string driveC;
  if (auto prefix = EnsurePrefix(); prefix.ok()) {
    if (char* real = realpath((prefix.value + "/drive_c").c_str(), nullptr)) {
      driveC = real;
      std::free(real);
    }
  }
  std::string rest;
  char drive = 'Z';
  if (!driveC.empty() && host.compare(0, driveC.size(), driveC) == 0 &&
      (host.size() == driveC.size() || host[driveC.size()] == '/')) {
    drive = 'C';
    rest = host.substr(driveC.size());
  } else {
    rest = host;
  }
  std::string out(1, drive);
  out += ":";
  for (char c : rest) out += c == '/' ? '\\' : c;
  if (out.size() == 2) out += "\\";
  while (out.size() > 3 && out.back() == '\\') out.pop_back();
  return Utf8ToCp1250(out);
}

Result<std::string> ReadHostFile(const std::string& host) {
  const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Result<std::string>::failure(ErrnoToWin32(errno));
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t got = read(fd, buf, sizeof buf);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      return Result<std::string>::failure(ErrnoToWin32(err));
    }
    text.append(buf, static_cast<std::size_t>(got));
  }
  close(fd);
  return {text, kOk};
}

std::uint32_t ErrnoToWin32(int err) {
  switch (err) {
    case 0:
      return kOk;
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
      return kAccessDenied;
    case EEXIST:
      return kAlreadyExists;
    case ENOTEMPTY:
      return kDirNotEmpty;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kDiskFull;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EBADF:
      return kInvalidHandle;
    case ENAMETOOLONG:
      return kErrFilenameTooLong;
    case EXDEV:
      return kErrNotSameDevice;
    case ENOMEM:
      return kNotEnoughMemory;
    case EINVAL:
      return kInvalidParameter;
    default:
      return kWriteFault;
  }
}

char FoldCase(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 0x20);
  switch (b) {
    case 0x8A:  // Š
    case 0x8C:  // Ś
    case 0x8D:  // Ť
    case 0x8E:  // Ž
    case 0x8F:  // Ź
      return static_cast<char>(b + 0x10);
    case 0xA3:  // Ł
      return static_cast<char>(0xB3);
    case 0xA5:  // Ą
      return static_cast<char>(0xB9);
    case 0xAA:  // Ş
      return static_cast<char>(0xBA);
    case 0xAF:  // Ż
      return static_cast<char>(0xBF);
    case 0xBC:  // Ľ
      return static_cast<char>(0xBE);
    default:
      break;
  }
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 0x20);
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace plat::posix
