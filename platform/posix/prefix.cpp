// Prefix location, seeding and the Windows <-> host path mapping.
#include "platform/posix/prefix.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
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
// folded spelling, so that a later missing name needs no scan. The body's own creations,
// removals and renames keep the lists current (NoteCreated, NoteRemoved).
//
// Changes made by anything else are seen in one of two ways. A folder is watched (inotify)
// when its parent is, up to the drive's base, whose own parents are watched for their next
// component: the events, read without blocking at the start of every look-up, add the names
// others made to the lists and forget a folder (with all below it) that was removed, renamed
// or replaced, or whose own entry changed. A watched folder's list and place are then current
// with no system call, and a known folder is answered from the cache with its entry. Where a
// watch cannot be had (no inotify, the watch limit reached), the folder keeps the change stamp
// of its host path: a missing name is settled by one stat of the folder, a change made by
// anything else moves the stamp and the list is read again, and a cached folder that has gone
// sends the look-up back to the start with an empty cache. A child of a fork drops the cache,
// as the watch descriptor is shared with its parent.

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

// What is kept of a folder's own lstat: its type, bits and identity (not its times).
struct Entry {
  dev_t dev = 0;
  ino_t ino = 0;
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
};

struct Folder {
  std::string host;  // "" for the host root
  bool listed = false;
  Stamp stamp;  // of an unwatched listed folder
  NameSet names;
  int watch = -1;           // its watch descriptor, -1 when unwatched
  bool entryKnown = false;  // `entry` is current (watched folders only)
  Entry entry;
};

// An unwatched folder that the watch of a drive's base depends on: a change of `next` in it
// (or of itself) moves the base.
struct Guard {
  int watch;
  std::string next;
};

// Owns a descriptor; a child of a fork lets go of its copy without touching the parent's.
class Descriptor {
 public:
  Descriptor() = default;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Bounds of the cache: listed name slots (4 bytes each), folders and watches; a list beyond
// the first bound is not kept, a folder beyond the third is not watched, and the cache starts
// afresh (its watches with it) when the second or third is reached.
constexpr std::size_t kMaxListedSlots = std::size_t{1} << 20;
constexpr std::size_t kMaxFolders = 4096;
constexpr std::size_t kMaxWatches = 4096;

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ATTRIB | IN_ONLYDIR;
constexpr std::uint32_t kSelfGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;
constexpr std::uint32_t kNameGone = IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// A guard's events, added to what the folder's watch may have already (the kernel keeps one
// mask per folder, and a folder's full mask is never narrowed by its guard).
constexpr std::uint32_t kGuardMask =
    kNameGone | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_MASK_ADD;

void HandleForks();

struct Cache {
  std::string prefix;       // the prefix the C: entries belong to
  bool driveReady = false;  // its drive_c exists (seeded)
  bool forked = false;      // this is a child of a fork: the cache is not its own
  std::map<std::string, Folder> folders;
  std::size_t listedSlots = 0;
  Descriptor notify;  // the inotify instance, made at the first watch
  std::unordered_multimap<int, const std::string*> watchers;  // watch -> keys of its folders
  std::vector<Guard> guards;
  std::size_t watchesAdded = 0;

  void Unlist(Folder& f) {
    listedSlots -= f.names.Capacity();
    f.names = NameSet();
    f.listed = false;
  }
  void AddName(Folder& f, std::uint32_t hash) {
    const std::size_t before = f.names.Capacity();
    f.names.Insert(hash);
    listedSlots += f.names.Capacity() - before;
    if (listedSlots > kMaxListedSlots) Unlist(f);
  }
  void Clear() {
    folders.clear();
    listedSlots = 0;
    driveReady = false;
    notify.reset();
    watchers.clear();
    guards.clear();
    watchesAdded = 0;
  }
  std::map<std::string, Folder>::iterator Erase(std::map<std::string, Folder>::iterator it) {
    Unlist(it->second);
    for (auto [w, end] = watchers.equal_range(it->second.watch); w != end; ++w) {
      if (w->second == &it->first) {
        watchers.erase(w);
        break;
      }
    }
    return folders.erase(it);
  }
  // Forgets the folder of `key` and everything below it.
  void Forget(const std::string& key) {
    if (auto it = folders.find(key); it != folders.end()) Erase(it);
    const std::string below = key + "\\";
    for (auto it = folders.lower_bound(below);
         it != folders.end() && it->first.starts_with(below);) {
      it = Erase(it);
    }
  }
  // A watch on folder `host` with `mask`; -1 when none can be had.
  int Watch(const std::string& host, std::uint32_t mask) {
    if (watchesAdded >= kMaxWatches) return -1;
    if (!notify.valid()) {
      HandleForks();
      notify.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    }
    if (!notify.valid()) return -1;
    const int wd = inotify_add_watch(notify.get(), host.empty() ? "/" : host.c_str(), mask);
    if (wd < 0) return -1;
    ++watchesAdded;
    return wd;
  }
  // Watches the folders above `host` (absolute) for their next component; false when one
  // cannot be watched.
  bool GuardParents(const std::string& host) {
    for (std::size_t s = host.find('/'); s != std::string::npos; s = host.find('/', s + 1)) {
      const std::size_t end = host.find('/', s + 1);
      std::string next = host.substr(s + 1, end == std::string::npos ? end : end - s - 1);
      if (next.empty()) continue;
      const int wd = Watch(s == 0 ? "/" : host.substr(0, s), kGuardMask);
      if (wd < 0) return false;
      guards.push_back({wd, std::move(next)});
    }
    return true;
  }
  // The folder of `key` at `host`, kept when it is known there, else made anew: watched when
  // `watched` (its parent is), with `entry` (its lstat) when that is given and is a folder's.
  Folder& Enter(const std::string& key, std::string host, bool watched, const struct stat* entry) {
    auto [it, added] = folders.try_emplace(key);
    if (!added && it->second.host != host) {
      // Another folder under this name: what was known below the old one goes with it.
      Forget(key);
      it = folders.try_emplace(key).first;
      added = true;
    }
    Folder& f = it->second;
    if (!added) {
      if (!f.entryKnown) Know(f, entry);
      return f;
    }
    f.host = std::move(host);
    if (watched) f.watch = Watch(f.host, kWatchMask);
    if (f.watch >= 0) watchers.emplace(f.watch, &it->first);
    Know(f, entry);
    return f;
  }
  // Keeps `entry` as a watched folder's own when it is a folder's.
  static void Know(Folder& f, const struct stat* entry) {
    if (entry == nullptr || f.watch < 0 || !S_ISDIR(entry->st_mode)) return;
    f.entry = {entry->st_dev, entry->st_ino, entry->st_mode, entry->st_uid, entry->st_gid};
    f.entryKnown = true;
  }
  // Applies one event; false when it emptied the cache.
  bool Apply(int wd, std::uint32_t mask, std::string_view name) {
    if (mask & IN_Q_OVERFLOW) {
      Clear();
      return false;
    }
    for (const Guard& g : guards) {
      if (g.watch == wd && ((mask & kSelfGone) || ((mask & kNameGone) && name == g.next))) {
        Clear();
        return false;
      }
    }
    std::vector<std::string> keys;  // copied: forgetting a folder drops its key
    for (auto [w, end] = watchers.equal_range(wd); w != end; ++w) keys.push_back(*w->second);
    for (const std::string& key : keys) {
      auto it = folders.find(key);
      if (it == folders.end() || it->second.watch != wd) continue;
      Folder& f = it->second;
      if (mask & kSelfGone) {
        if (key.size() == 2) {  // a drive's base: start afresh, as after a stale look-up
          Clear();
          return false;
        }
        Forget(key);
        continue;
      }
      if (name.empty()) {
        if (mask & IN_ATTRIB) f.entryKnown = false;
        continue;
      }
      if (!(mask & (IN_CREATE | kNameGone))) continue;
      const std::string folded = Folded(Utf8ToCp1250(std::string(name)));
      if ((mask & (IN_CREATE | IN_MOVED_TO)) && f.listed) AddName(f, NameHash(folded));
      if (mask & kNameGone) {
        const std::string child = key + "\\" + folded;
        const std::string childHost = f.host + "/" + std::string(name);
        if (auto c = folders.find(child); c != folders.end() && c->second.host == childHost) {
          Forget(child);
        }
      }
    }
    return true;
  }
  // Reads the events that have come since the last look-up.
  void Drain() {
    alignas(inotify_event) char buf[16384];
    while (notify.valid()) {
      const ssize_t got = read(notify.get(), buf, sizeof buf);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return;
      for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
        inotify_event e;
        std::memcpy(&e, buf + at, sizeof e);
        const char* name = buf + at + sizeof e;
        at += sizeof e + e.len;
        if (!Apply(e.wd, e.mask, std::string_view(name, strnlen(name, e.len)))) return;
      }
      // What one read left room for is all there was; another read would find nothing.
      if (static_cast<std::size_t>(got) + sizeof(inotify_event) + NAME_MAX + 1 <= sizeof buf) {
        return;
      }
    }
  }
};

std::mutex gCacheLock;
Cache gCache;

// A child of a fork shares the parent's inotify instance: it closes its copy and starts
// afresh, so that it reads none of the parent's events. The lock is held across the fork.
void PrepareFork() { gCacheLock.lock(); }
void ParentAfterFork() { gCacheLock.unlock(); }
void ChildAfterFork() {
  gCache.forked = true;
  gCache.notify.reset();
  gCacheLock.unlock();
}

void HandleForks() {
  static std::once_flag once;
  std::call_once(once, [] { pthread_atfork(PrepareFork, ParentAfterFork, ChildAfterFork); });
}

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
    if (f.watch >= 0) return r;  // the watch keeps the list current
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

// Takes the stamp of an unwatched folder after the body changed it itself.
void Restamp(Folder& f) {
  struct stat dir;
  if (f.listed && f.watch < 0) {
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
  if (gCache.watchesAdded >= kMaxWatches) gCache.Clear();
  std::string key = Folded(windows.substr(0, 2));
  Folder* folder = nullptr;
  if (auto it = gCache.folders.find(key); it != gCache.folders.end() && it->second.host == base) {
    folder = &it->second;
  } else {
    folder = &gCache.Enter(key, base, gCache.GuardParents(base), nullptr);
  }
  if (out.isRoot) {
    out.host = base.empty() ? "/" : base;
    return {out, kOk};
  }
  // The folders known from earlier look-ups: the parent at once when it is watched (then so
  // is every folder above it), else as far as they go.
  std::size_t i = 0;
  if (parts.size() > 1) {
    auto it = gCache.folders.find(ParentKey(windows));
    if (it != gCache.folders.end() && it->second.watch >= 0) {
      key = it->first;
      folder = &it->second;
      i = parts.size() - 1;
    }
  }
  for (; i + 1 < parts.size(); ++i) {
    auto it = gCache.folders.find(key + "\\" + Folded(parts[i]));
    if (it == gCache.folders.end()) break;
    key = it->first;
    folder = &it->second;
  }
  for (bool known = !fresh;; ++i, known = false) {
    if (i + 1 == parts.size() && folder->watch >= 0) {
      // A watched folder known with its entry is answered as it stands.
      auto it = gCache.folders.find(key + "\\" + Folded(parts[i]));
      if (it != gCache.folders.end() && it->second.watch >= 0 && it->second.entryKnown) {
        const Folder& known = it->second;
        out.host = known.host;
        out.name = Utf8ToCp1250(std::string_view(known.host).substr(known.host.rfind('/') + 1));
        out.entry.st_dev = known.entry.dev;
        out.entry.st_ino = known.entry.ino;
        out.entry.st_mode = known.entry.mode;
        out.entry.st_uid = known.entry.uid;
        out.entry.st_gid = known.entry.gid;
        return {out, kOk};
      }
    }
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
      if (out.exists && S_ISDIR(r.entry.st_mode) && folder->watch >= 0 &&
          gCache.folders.size() < kMaxFolders) {
        gCache.Enter(key + "\\" + Folded(parts[i]), out.host, true, &r.entry);
      }
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
    folder = &gCache.Enter(key, std::move(host), folder->watch >= 0, &r.entry);
  }
}

}  // namespace

Result<HostPath> MapPath(const std::string& path) {
  auto full = FullWindowsPath(path);
  if (!full.ok()) return Result<HostPath>::failure(full.error);
  std::lock_guard<std::mutex> guard(gCacheLock);
  if (gCache.forked) {
    gCache.forked = false;
    gCache.Clear();
  }
  gCache.Drain();
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
  auto parent = gCache.folders.find(ParentKey(p.windows));
  const bool watched = parent != gCache.folders.end() && parent->second.watch >= 0;
  if (parent != gCache.folders.end() && parent->second.listed) {
    gCache.AddName(parent->second, NameHash(Folded(p.windows.substr(p.windows.rfind('\\') + 1))));
    Restamp(parent->second);
  }
  if (what == Created::kEmptyFolder && gCache.folders.size() < kMaxFolders) {
    // A new folder holds nothing: its list is complete without reading it.
    const std::string key = Folded(p.windows);
    gCache.Forget(key);
    Folder& f = gCache.Enter(key, p.host, watched, nullptr);
    struct stat dir;
    if ((f.watch >= 0 || StatFolder(f.host, dir)) && gCache.listedSlots + 16 <= kMaxListedSlots) {
      f.names.Insert(NameHash("."));
      f.names.Insert(NameHash(".."));
      gCache.listedSlots += f.names.Capacity();
      if (f.watch < 0) f.stamp = StampOf(dir);
      f.listed = true;
    }
  }
}

void NoteRemoved(const HostPath& p) {
  std::lock_guard<std::mutex> guard(gCacheLock);
  if (p.isRoot || !CacheCovers(p.windows)) return;
  // The folder and everything below it are forgotten; the parent's list keeps the name
  // (a name listed that is not there only costs the slower look-up).
  gCache.Forget(Folded(p.windows));
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
