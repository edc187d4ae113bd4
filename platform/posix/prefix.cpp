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
#include <mutex>
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

// --- The resolution cache. MapPath keeps, by folded Windows path, the host path of every
// folder it resolved, so a path below a known folder costs no look-up of its folders. Where a
// name was missed in a folder, the folder's names are listed once and kept as hashes of their
// folded spelling with the folder's change stamp, so that a later missing name is settled by
// one stat of the folder instead of a scan. The body's own creations, removals and renames
// keep the lists current (NoteCreated, NoteRemoved); a change made by anything else moves the
// folder's stamp and the list is read again. A cached folder that has gone sends the look-up
// back to the start with an empty cache.

std::string Folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = FoldCase(c);
  return out;
}

// FNV-1a over the folded name; 0 is kept free to mark empty slots.
std::uint32_t NameHash(std::string_view folded) {
  std::uint32_t h = 2166136261u;
  for (char c : folded) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h == 0 ? 1 : h;
}

// A set of name hashes with open addressing, at most half full. A hash that is present may
// belong to another name; such a hit only costs the slower look-up.
class NameSet {
 public:
  void Insert(std::uint32_t h) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    if (Place(slots_, h)) ++size_;
  }
  bool Contains(std::uint32_t h) const {
    if (slots_.empty()) return false;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      if (slots_[i] == h) return true;
      if (slots_[i] == 0) return false;
    }
  }
  std::size_t Capacity() const { return slots_.size(); }

 private:
  static bool Place(std::vector<std::uint32_t>& slots, std::uint32_t h) {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      if (slots[i] == h) return false;
      if (slots[i] == 0) {
        slots[i] = h;
        return true;
      }
    }
  }
  void Grow() {
    std::vector<std::uint32_t> bigger(slots_.empty() ? 16 : slots_.size() * 2, 0);
    for (std::uint32_t h : slots_) {
      if (h != 0) Place(bigger, h);
    }
    slots_.swap(bigger);
  }
  std::vector<std::uint32_t> slots_;
  std::size_t size_ = 0;
};

struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  timespec ctime{};
  bool operator==(const Stamp& o) const {
    return dev == o.dev && ino == o.ino && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

Stamp StampOf(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_mtim, st.st_ctim}; }

struct Folder {
  std::string host;  // "" for the host root
  bool listed = false;
  Stamp stamp;
  NameSet names;
};

// Bounds of the cache: listed name slots (4 bytes each) and folders; a list beyond the first
// bound is not kept, and the cache starts afresh when the second is reached.
constexpr std::size_t kMaxListedSlots = std::size_t{1} << 20;
constexpr std::size_t kMaxFolders = 8192;

struct Cache {
  std::string prefix;       // the prefix the C: entries belong to
  bool driveReady = false;  // its drive_c exists (seeded)
  std::map<std::string, Folder> folders;
  std::size_t listedSlots = 0;

  void Unlist(Folder& f) {
    listedSlots -= f.names.Capacity();
    f.names = NameSet();
    f.listed = false;
  }
  void Clear() {
    folders.clear();
    listedSlots = 0;
    driveReady = false;
  }
};

std::mutex gCacheLock;
Cache gCache;

const char* DirArg(const std::string& host) { return host.empty() ? "/" : host.c_str(); }

// Whether `host` is a folder (following a link), with its stat.
bool StatFolder(const std::string& host, struct stat& st) {
  return stat(DirArg(host), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Lookup {
  bool found = false;
  bool folderGone = false;  // the folder itself is missing or no folder
  std::string hostName;     // the name on disk, or the given one converted
  struct stat entry {};     // lstat of the entry when found
};

// Looks `name` (1250) up in `f`: the exact spelling first, then without regard to case.
Lookup FindName(Folder& f, const std::string& name) {
  Lookup r;
  r.hostName = Cp1250ToUtf8(name);
  const std::string folded = Folded(name);
  const std::uint32_t hash = NameHash(folded);
  struct stat dir;
  if (f.listed && !f.names.Contains(hash)) {
    if (!StatFolder(f.host, dir)) {
      r.folderGone = true;
      return r;
    }
    if (StampOf(dir) == f.stamp) return r;
    gCache.Unlist(f);
  }
  if (lstat((f.host + "/" + r.hostName).c_str(), &r.entry) == 0) {
    r.found = true;
    return r;
  }
  // Not under its own spelling: list the folder once, noting a match on the way.
  if (!StatFolder(f.host, dir)) {
    r.folderGone = true;
    return r;
  }
  DIR* d = opendir(DirArg(f.host));
  if (!d) return r;
  if (f.listed) gCache.Unlist(f);
  NameSet names;
  bool hit = false;
  while (const dirent* e = readdir(d)) {
    const std::string entry = Folded(Utf8ToCp1250(e->d_name));
    names.Insert(NameHash(entry));
    if (!hit && entry == folded) {
      r.hostName = e->d_name;
      hit = true;
    }
  }
  closedir(d);
  if (gCache.listedSlots + names.Capacity() <= kMaxListedSlots) {
    gCache.listedSlots += names.Capacity();
    f.names = std::move(names);
    f.stamp = StampOf(dir);
    f.listed = true;
  }
  r.found = hit && lstat((f.host + "/" + r.hostName).c_str(), &r.entry) == 0;
  return r;
}

// The folded cache key of a full Windows path's parent ("c:" for "C:\x").
std::string ParentKey(const std::string& windows) {
  return Folded(std::string_view(windows).substr(0, std::max<std::size_t>(windows.rfind('\\'), 2)));
}

// Whether the cache may hold entries for `windows` (the C: entries belong to one prefix).
bool CacheCovers(const std::string& windows) {
  return windows[0] != 'C' || gCache.prefix == PrefixDir();
}

// Takes the stamp of a folder after the body changed it itself.
void Restamp(Folder& f) {
  struct stat dir;
  if (f.listed) {
    if (StatFolder(f.host, dir)) {
      f.stamp = StampOf(dir);
    } else {
      gCache.Unlist(f);
    }
  }
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
    if (!hasDrive) drive = cwd.value()[0];
    if (!absolute && cwd.value()[0] == drive) joined = cwd.value().substr(2) + "\\" + joined;
  }
  std::string full(1, drive);
  full += ":";
  for (const auto& part : Components(joined)) full += "\\" + part;
  if (full.size() == 2) full += "\\";
  if (full.size() > kMaxPath) return Result<std::string>::failure(kErrFilenameTooLong);
  return {full, kOk};
}

namespace {

// Resolves a full Windows path. `stale` is set, and nothing returned, when a folder taken from
// the cache has gone; `fresh` says the cache was emptied for this look-up, so that a folder
// going away now is simply missing.
Result<HostPath> Resolve(const std::string& windows, bool fresh, bool& stale) {
  HostPath out;
  out.windows = windows;
  std::string base;
  if (windows[0] == 'C') {
    const std::string prefix = PrefixDir();
    if (gCache.prefix != prefix) {
      gCache.Clear();
      gCache.prefix = prefix;
    }
    if (!gCache.driveReady) {
      if (!EnsurePrefix().ok()) return Result<HostPath>::failure(kPathNotFound);
      gCache.driveReady = true;
    }
    base = prefix + "/drive_c";
  } else if (windows[0] != 'Z') {
    return Result<HostPath>::failure(kPathNotFound);
  }
  const auto parts = Components(std::string_view(windows).substr(2));
  out.isRoot = parts.empty();
  out.parentFound = true;
  out.exists = true;
  if (gCache.folders.size() >= kMaxFolders) gCache.Clear();
  std::string key = Folded(windows.substr(0, 2));
  Folder* folder = &gCache.folders[key];
  folder->host = base;
  if (out.isRoot) {
    out.host = base.empty() ? "/" : base;
    return {out, kOk};
  }
  // The folders known from earlier look-ups.
  std::size_t i = 0;
  for (; i + 1 < parts.size(); ++i) {
    auto it = gCache.folders.find(key + "\\" + Folded(parts[i]));
    if (it == gCache.folders.end()) break;
    key = it->first;
    folder = &it->second;
  }
  for (bool known = !fresh;; ++i, known = false) {
    Lookup r = FindName(*folder, parts[i]);
    if (r.folderGone && known) {
      stale = true;
      return Result<HostPath>::failure(kPathNotFound);
    }
    if (r.folderGone) out.parentFound = false;
    std::string host = folder->host + "/" + r.hostName;
    if (i + 1 == parts.size()) {
      out.exists = r.found && out.parentFound;
      out.name = r.found ? Utf8ToCp1250(r.hostName) : parts[i];
      out.entry = r.entry;
      out.host = std::move(host);
      return {out, kOk};
    }
    struct stat st;
    const bool isFolder =
        r.found && (S_ISDIR(r.entry.st_mode) || (S_ISLNK(r.entry.st_mode) && StatFolder(host, st)));
    if (!isFolder) {
      // The rest of the path is as given.
      out.exists = false;
      out.parentFound = false;
      for (std::size_t j = i + 1; j < parts.size(); ++j) host += "/" + Cp1250ToUtf8(parts[j]);
      out.name = parts.back();
      out.host = std::move(host);
      return {out, kOk};
    }
    key += "\\" + Folded(parts[i]);
    folder = &gCache.folders[key];
    folder->host = std::move(host);
  }
}

}  // namespace

Result<HostPath> MapPath(const std::string& path) {
  auto full = FullWindowsPath(path);
  if (!full.ok()) return Result<HostPath>::failure(full.error);
  std::lock_guard<std::mutex> guard(gCacheLock);
  bool stale = false;
  auto mapped = Resolve(full.value(), false, stale);
  if (!stale) return mapped;
  // Something that was known has changed behind the cache: look everything up again.
  gCache.Clear();
  return Resolve(full.value(), true, stale);
}

void NoteCreated(const HostPath& p, Created what) {
  std::lock_guard<std::mutex> guard(gCacheLock);
  if (p.isRoot || !CacheCovers(p.windows)) return;
  auto it = gCache.folders.find(ParentKey(p.windows));
  if (it != gCache.folders.end() && it->second.listed) {
    Folder& parent = it->second;
    const std::size_t before = parent.names.Capacity();
    parent.names.Insert(NameHash(Folded(p.windows.substr(p.windows.rfind('\\') + 1))));
    gCache.listedSlots += parent.names.Capacity() - before;
    if (gCache.listedSlots > kMaxListedSlots) gCache.Unlist(parent);
    Restamp(parent);
  }
  if (what == Created::kEmptyFolder && gCache.folders.size() < kMaxFolders) {
    // A new folder holds nothing: its list is complete without reading it.
    Folder& f = gCache.folders[Folded(p.windows)];
    f.host = p.host;
    gCache.Unlist(f);
    struct stat dir;
    if (StatFolder(f.host, dir) && gCache.listedSlots + 16 <= kMaxListedSlots) {
      f.names = NameSet();
      f.names.Insert(NameHash("."));
      f.names.Insert(NameHash(".."));
      gCache.listedSlots += f.names.Capacity();
      f.stamp = StampOf(dir);
      f.listed = true;
    }
  }
}

void NoteRemoved(const HostPath& p) {
  std::lock_guard<std::mutex> guard(gCacheLock);
  if (p.isRoot || !CacheCovers(p.windows)) return;
  // The folder and everything below it are forgotten; the parent's list keeps the name
  // (a name listed that is not there only costs the slower look-up).
  const std::string key = Folded(p.windows);
  if (auto it = gCache.folders.find(key); it != gCache.folders.end()) {
    gCache.Unlist(it->second);
    gCache.folders.erase(it);
  }
  const std::string below = key + "\\";
  for (auto it = gCache.folders.lower_bound(below);
       it != gCache.folders.end() && it->first.starts_with(below);) {
    gCache.Unlist(it->second);
    it = gCache.folders.erase(it);
  }
  if (auto it = gCache.folders.find(ParentKey(p.windows)); it != gCache.folders.end()) {
    Restamp(it->second);
  }
}

std::string HostToWindows(const std::string& host) {
  std::string driveC;
  if (auto prefix = EnsurePrefix(); prefix.ok()) {
    if (char* real = realpath((prefix.value() + "/drive_c").c_str(), nullptr)) {
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

int WriteAll(int fd, const char* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = write(fd, data + done, size - done);
    if (put < 0) {
      if (errno != EINTR) return errno;
    } else {
      done += static_cast<std::size_t>(put);
    }
  }
  return 0;
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
