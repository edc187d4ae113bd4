// Kernel and file services of the POSIX body, with Win32 semantics and error codes.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/body.h"
#include "platform/posix/prefix.h"

extern char** environ;

namespace plat::posix {
namespace {

constexpr std::uint32_t kErrSharingViolation = 32;

bool ReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// The parent of process folder `proc` ("/proc/<pid>"), or 0 when it cannot be read. The name
// in the stat line may hold any byte, so the fields are read after its last ')'.
pid_t ParentOf(const std::string& proc) {
  const int fd = open((proc + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buf[512];
  const ssize_t got = read(fd, buf, sizeof buf - 1);
  close(fd);
  if (got <= 0) return 0;
  const std::string line(buf, static_cast<std::size_t>(got));
  const auto nameEnd = line.rfind(')');
  if (nameEnd == std::string::npos || nameEnd + 4 >= line.size()) return 0;
  long parent = 0;
  for (std::size_t i = nameEnd + 4; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    parent = parent * 10 + (line[i] - '0');
    if (parent > INT_MAX) return 0;
  }
  return static_cast<pid_t>(parent);
}

// Whether the file `st` is the program of this process or of one above it. Windows refuses
// to delete or replace the image of a running program (a sharing violation); the host would
// let it go, and an uninstall would remove the setup program that is still running.
bool gOwnImageCounts = true;

bool IsRunningImage(const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return false;
  pid_t pid = gOwnImageCounts ? getpid() : getppid();
  for (int depth = 0; pid > 0 && depth < 256; ++depth) {
    const std::string proc = "/proc/" + std::to_string(pid);
    struct stat image;
    if (stat((proc + "/exe").c_str(), &image) == 0 && image.st_dev == st.st_dev &&
        image.st_ino == st.st_ino) {
      return true;
    }
    pid = ParentOf(proc);
  }
  return false;
}

// A symbolic link to a folder: what Windows shows as a junction.
bool LinksToFolder(const std::string& host) {
  struct stat target;
  return stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
}

// The attributes of the entry `host` itself, whose lstat() is `st`. A symbolic link is a
// reparse point, with the directory bit when it leads to a folder, so that nothing that
// walks a tree descends into it; it is never read-only, as a link has no bits of its own.
std::uint32_t AttributesOf(const std::string& host, const struct stat& st,
                           const std::string& name) {
  std::uint32_t a;
  if (S_ISLNK(st.st_mode)) {
    a = kAttrReparsePoint | (LinksToFolder(host) ? kAttrDirectory : kAttrArchive);
  } else {
    a = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
    if (ReadOnly(st)) a |= kAttrReadOnly;
  }
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= kAttrHidden;
  return a;
}

std::string LastComponent(const std::string& windows) {
  const auto sep = windows.find_last_of('\\');
  return sep == std::string::npos ? windows : windows.substr(sep + 1);
}

std::string HostParent(const std::string& host) {
  const auto slash = host.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : host.substr(0, slash);
}

// --- Wildcards, with the DOS rules FindFirstFile applies: '?' matches one character or none
// before a dot or the end; "*." matches names without a dot; "*.*" matches every name.
enum : char { kStar = 1, kDosStar, kDosQm, kDosDot };

std::string DosMask(const std::string& mask) {
  std::string out;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    const char next = i + 1 < mask.size() ? mask[i + 1] : '\0';
    if (c == '*') {
      out += next == '.' ? kDosStar : kStar;
    } else if (c == '?') {
      out += kDosQm;
    } else if (c == '.' && (next == '?' || next == '*' || next == '\0')) {
      out += kDosDot;
    } else {
      out += FoldCase(c);
    }
  }
  return out;
}

bool MaskMatches(const std::string& mask, const std::string& rawName) {
  std::string name;
  for (char c : rawName) name += FoldCase(c);
  const std::size_t lastDot = name.find_last_of('.');
  const std::size_t m = mask.size(), n = name.size();
  // can[i][j]: mask from i matches name from j.
  std::vector<std::vector<char>> can(m + 1, std::vector<char>(n + 1, 0));
  can[m][n] = 1;
  for (std::size_t i = m; i-- > 0;) {
    for (std::size_t j = n + 1; j-- > 0;) {
      const bool end = j == n;
      bool ok = false;
      switch (mask[i]) {
        case kStar:
          ok = can[i + 1][j] || (!end && can[i][j + 1]);
          break;
        case kDosStar:
          ok = can[i + 1][j] || (!end && j != lastDot && can[i][j + 1]);
          break;
        case kDosQm:
          ok = (end || name[j] == '.') ? can[i + 1][j] : can[i + 1][j + 1];
          break;
        case kDosDot:
          ok = end ? can[i + 1][j] : (name[j] == '.' && can[i + 1][j + 1]);
          break;
        default:
          ok = !end && name[j] == mask[i] && can[i + 1][j + 1];
          break;
      }
      can[i][j] = ok;
    }
  }
  return can[0][0];
}

struct Search {
  std::vector<FindData> entries;
  std::size_t next = 0;
};

std::mutex gLock;
std::map<Handle, Search> gSearches;
Handle gNextSearch = 0x10000;
std::set<Handle> gFiles;

bool KnownFile(Handle h) {
  std::lock_guard<std::mutex> guard(gLock);
  return gFiles.count(h) != 0;
}

// Copies an open file's bytes to another; kOk or the failure's code.
std::uint32_t CopyBytes(int in, int out) {
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t got = read(in, buf.data(), buf.size());
    if (got == 0) return kOk;
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoToWin32(errno);
    }
    if (const int err = WriteAll(out, buf.data(), static_cast<std::size_t>(got))) {
      return ErrnoToWin32(err);
    }
  }
}

// Copies a regular file with its permission bits and last-write time.
std::uint32_t CopyHostFile(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return ErrnoToWin32(errno);
  struct stat st;
  fstat(in, &st);
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    const int err = errno;
    close(in);
    return ErrnoToWin32(err);
  }
  std::uint32_t error = CopyBytes(in, out);
  if (error == kOk) {
    fchmod(out, st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
  }
  if (close(out) != 0 && error == kOk) error = ErrnoToWin32(errno);
  close(in);
  if (error != kOk) unlink(to.c_str());
  return error;
}

// The lstat of a mapped path; false when it does not exist.
bool EntryOf(const HostPath& p, struct stat& st) {
  if (!p.exists) return false;
  if (!p.isRoot) {
    st = p.entry;
    return true;
  }
  return lstat(p.host.c_str(), &st) == 0;
}

// The stat of what a mapped path leads to (through a link); false when there is nothing.
bool TargetOf(const HostPath& p, struct stat& st) {
  if (!p.exists) return false;
  if (!p.isRoot && !S_ISLNK(p.entry.st_mode)) {
    st = p.entry;
    return true;
  }
  return stat(p.host.c_str(), &st) == 0;
}

bool ValidDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= days && hour <= 23 && minute <= 59 && second <= 59;
}

// mktime, without its look at the zone file on every call (glibc checks /etc/localtime each
// time): the zone's offset at that time as localtime_r gives it, when the offset is the same
// a day before and after; near a change of the offset mktime itself decides.
std::time_t LocalTime(std::tm tm) {
  std::tm utc = tm;
  const std::time_t asUtc = timegm(&utc);
  std::tm local;
  if (asUtc == static_cast<std::time_t>(-1) || !localtime_r(&asUtc, &local)) return mktime(&tm);
  const long offset = local.tm_gmtoff;
  const std::time_t guess = asUtc - offset;
  for (const std::time_t probe : {guess - 86400, guess, guess + 86400}) {
    if (!localtime_r(&probe, &local) || local.tm_gmtoff != offset) return mktime(&tm);
  }
  return guess;
}

}  // namespace

void DisownImage() { gOwnImageCounts = false; }

Result<std::string> CurrentDirectory() { return CurrentDirectoryWindows(); }

std::uint32_t SetCurrentDirectory(const std::string& path) {
  auto p = MapPath(path);
  if (!p.ok()) return p.error;
  if (!p.value().exists) return MissingError(p.value());
  struct stat st;
  if (!TargetOf(p.value(), st) || !S_ISDIR(st.st_mode)) return kErrDirectory;
  return chdir(p.value().host.c_str()) == 0 ? kOk : ErrnoToWin32(errno);
}

Result<std::string> TempPath() {
  EnsurePrefix();
  return {WindowsTempFolder() + "\\", kOk};
}

Result<std::uint32_t> FileAttributes(const std::string& path) {
  auto p = MapPath(path);
  if (!p.ok()) return {kInvalidAttributes, p.error};
  struct stat st;
  if (!EntryOf(p.value(), st)) return {kInvalidAttributes, MissingError(p.value())};
  if (p.value().isRoot) return {kAttrDirectory, kOk};
  return {AttributesOf(p.value().host, st, p.value().name), kOk};
}

std::uint32_t SetFileAttributes(const std::string& path, std::uint32_t attributes) {
  auto p = MapPath(path);
  if (!p.ok()) return p.error;
  struct stat st;
  if (!EntryOf(p.value(), st)) return MissingError(p.value());
  // A link has no read-only bit of its own, and chmod would change what it leads to.
  if (S_ISLNK(st.st_mode)) return (attributes & kAttrReadOnly) ? kAccessDenied : kOk;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if (ReadOnly(st)) {
    mode |= S_IWUSR;
  }
  // Hidden, system and archive have no host form: a name starting with "." is hidden.
  if (mode == (st.st_mode & 07777)) return kOk;
  return chmod(p.value().host.c_str(), mode) == 0 ? kOk : ErrnoToWin32(errno);
}

Result<Handle> FindFirst(const std::string& pattern, FindData& first) {
  const auto sep = pattern.find_last_of("\\/");
  std::string dir, mask;
  if (sep != std::string::npos) {
    dir = pattern.substr(0, sep + 1);
    mask = pattern.substr(sep + 1);
  } else if (pattern.size() >= 2 && pattern[1] == ':') {
    dir = pattern.substr(0, 2);
    mask = pattern.substr(2);
  } else {
    dir = ".";
    mask = pattern;
  }
  if (mask.empty()) return Result<Handle>::failure(kFileNotFound);
  auto p = MapPath(dir);
  if (!p.ok()) return Result<Handle>::failure(p.error);
  struct stat st;
  if (!TargetOf(p.value(), st) || !S_ISDIR(st.st_mode)) {
    return Result<Handle>::failure(kPathNotFound);
  }
  DIR* d = opendir(p.value().host.c_str());
  if (!d) return Result<Handle>::failure(ErrnoToWin32(errno));
  const std::string dosMask = DosMask(mask);
  Search search;
  while (const dirent* e = readdir(d)) {
    const std::string hostName = e->d_name;
    const bool dots = hostName == "." || hostName == "..";
    if (dots && p.value().isRoot) continue;  // a drive root has no "." and ".."
    FindData fd;
    fd.name = Utf8ToCp1250(hostName);
    if (!MaskMatches(dosMask, fd.name)) continue;
    const std::string host = p.value().host + "/" + hostName;
    struct stat est;
    if (lstat(host.c_str(), &est) != 0) continue;
    fd.attributes = AttributesOf(host, est, fd.name);
    fd.size = S_ISREG(est.st_mode) ? static_cast<std::uint64_t>(est.st_size) : 0;
    search.entries.push_back(std::move(fd));
  }
  closedir(d);
  if (search.entries.empty()) return Result<Handle>::failure(kFileNotFound);
  auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
  std::sort(search.entries.begin(), search.entries.end(),
            [&](const FindData& a, const FindData& b) {
              if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
              return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(),
                                                  b.name.end(), [](char x, char y) {
                                                    return static_cast<unsigned char>(FoldCase(x)) <
                                                           static_cast<unsigned char>(FoldCase(y));
                                                  });
            });
  first = search.entries[0];
  search.next = 1;
  std::lock_guard<std::mutex> guard(gLock);
  const Handle h = gNextSearch++;
  gSearches.emplace(h, std::move(search));
  return {h, kOk};
}

std::uint32_t FindNext(Handle search, FindData& next) {
  std::lock_guard<std::mutex> guard(gLock);
  auto it = gSearches.find(search);
  if (it == gSearches.end()) return kInvalidHandle;
  if (it->second.next >= it->second.entries.size()) return kNoMoreFiles;
  next = it->second.entries[it->second.next++];
  return kOk;
}

void FindClose(Handle search) {
  std::lock_guard<std::mutex> guard(gLock);
  gSearches.erase(search);
}

std::uint32_t CreateDirectory(const std::string& path) {
  auto p = MapPath(path);
  if (!p.ok()) return p.error;
  if (p.value().exists) return kAlreadyExists;
  if (!p.value().parentFound) return kPathNotFound;
  if (mkdir(p.value().host.c_str(), 0777) != 0) return ErrnoToWin32(errno);
  NoteCreated(p.value(), Created::kEmptyFolder);
  return kOk;
}

std::uint32_t RemoveDirectory(const std::string& path) {
  auto p = MapPath(path);
  if (!p.ok()) return p.error;
  struct stat st;
  if (!EntryOf(p.value(), st)) return MissingError(p.value());
  // A link to a folder goes as a junction does: the link alone, whatever the folder holds.
  if (S_ISLNK(st.st_mode) && LinksToFolder(p.value().host)) {
    if (unlink(p.value().host.c_str()) != 0) return ErrnoToWin32(errno);
    NoteRemoved(p.value());
    return kOk;
  }
  if (!S_ISDIR(st.st_mode)) return kErrDirectory;
  if (p.value().isRoot) return kAccessDenied;
  if (rmdir(p.value().host.c_str()) != 0)
    return errno == EEXIST ? kDirNotEmpty : ErrnoToWin32(errno);
  NoteRemoved(p.value());
  return kOk;
}

std::uint32_t DeleteFile(const std::string& path) {
  auto p = MapPath(path);
  if (!p.ok()) return p.error;
  struct stat st;
  if (!EntryOf(p.value(), st)) return MissingError(p.value());
  // Read-only is the owner-write bit; it is checked here because root would ignore it.
  // A link to a file is removed itself and what it leads to stays; a link to a folder is
  // refused with access denied, as Windows refuses a junction or folder link here: it goes
  // with RemoveDirectory.
  const bool link = S_ISLNK(st.st_mode);
  if (S_ISDIR(st.st_mode) || (link && LinksToFolder(p.value().host)) || (!link && ReadOnly(st))) {
    return kAccessDenied;
  }
  if (IsRunningImage(st)) return kErrSharingViolation;
  if (unlink(p.value().host.c_str()) != 0) return ErrnoToWin32(errno);
  NoteRemoved(p.value());
  return kOk;
}

std::uint32_t CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  auto src = MapPath(from);
  if (!src.ok()) return src.error;
  struct stat sst;
  if (!TargetOf(src.value(), sst)) return MissingError(src.value());
  if (S_ISDIR(sst.st_mode)) return kAccessDenied;
  auto dst = MapPath(to);
  if (!dst.ok()) return dst.error;
  if (!dst.value().parentFound) return kPathNotFound;
  if (struct stat dstat; TargetOf(dst.value(), dstat)) {
    if (failIfExists) return kFileExists;
    if (dstat.st_dev == sst.st_dev && dstat.st_ino == sst.st_ino) return kErrSharingViolation;
    if (S_ISDIR(dstat.st_mode) || ReadOnly(dstat)) return kAccessDenied;
    if (IsRunningImage(dstat)) return kErrSharingViolation;
  }
  const std::uint32_t error = CopyHostFile(src.value().host, dst.value().host);
  if (error == kOk) NoteCreated(dst.value(), Created::kEntry);
  return error;
}

std::uint32_t MoveFile(const std::string& from, const std::string& to) {
  auto src = MapPath(from);
  if (!src.ok()) return src.error;
  struct stat sst;
  if (!EntryOf(src.value(), sst)) return MissingError(src.value());
  auto dst = MapPath(to);
  if (!dst.ok()) return dst.error;
  if (!dst.value().parentFound) return kPathNotFound;
  std::string target = dst.value().host;
  if (struct stat dstat; EntryOf(dst.value(), dstat)) {
    if (dstat.st_dev == sst.st_dev && dstat.st_ino == sst.st_ino) {
      // The same entry under another spelling: a change of letter case.
      target = HostParent(target) + "/" + Cp1250ToUtf8(LastComponent(dst.value().windows));
    } else if (S_ISDIR(dstat.st_mode) || S_ISDIR(sst.st_mode)) {
      return S_ISDIR(dstat.st_mode) ? kAccessDenied : kAlreadyExists;
    } else if (ReadOnly(dstat)) {
      return kAccessDenied;
    } else if (IsRunningImage(dstat)) {
      return kErrSharingViolation;
    }
  }
  if (rename(src.value().host.c_str(), target.c_str()) != 0) {
    if (errno != EXDEV) return ErrnoToWin32(errno);
    if (!S_ISREG(sst.st_mode)) return kErrNotSameDevice;
    if (const std::uint32_t e = CopyHostFile(src.value().host, target); e != kOk) return e;
    NoteCreated(dst.value(), Created::kEntry);
    if (unlink(src.value().host.c_str()) != 0) return ErrnoToWin32(errno);
  }
  NoteRemoved(src.value());
  NoteCreated(dst.value(), Created::kEntry);
  return kOk;
}

Result<Handle> OpenFile(const std::string& path, OpenMode mode) {
  auto p = MapPath(path);
  if (!p.ok()) return Result<Handle>::failure(p.error);
  struct stat st;
  // A link where a file is to be replaced goes itself, whatever it leads to, and the new
  // file is made without following a link (one made in between fails the open).
  const bool linkGone = mode == OpenMode::kReplace && p.value().exists && !p.value().isRoot &&
                        S_ISLNK(p.value().entry.st_mode);
  if (linkGone && unlink(p.value().host.c_str()) != 0) {
    return Result<Handle>::failure(ErrnoToWin32(errno));
  }
  const bool exists = !linkGone && TargetOf(p.value(), st);
  if (exists && S_ISDIR(st.st_mode)) return Result<Handle>::failure(kAccessDenied);
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kRead:
    case OpenMode::kWriteAttrib:
      if (!exists) return Result<Handle>::failure(MissingError(p.value()));
      flags |= O_RDONLY;
      break;
    case OpenMode::kReadWrite:
      if (!exists) return Result<Handle>::failure(MissingError(p.value()));
      if (ReadOnly(st)) return Result<Handle>::failure(kAccessDenied);
      flags |= O_RDWR;
      break;
    case OpenMode::kCreate:
    case OpenMode::kReplace:
      if (!p.value().parentFound) return Result<Handle>::failure(kPathNotFound);
      if (exists && ReadOnly(st)) return Result<Handle>::failure(kAccessDenied);
      flags |= O_RDWR | O_CREAT | O_TRUNC | (mode == OpenMode::kReplace ? O_NOFOLLOW : 0);
      break;
  }
  const int fd = open(p.value().host.c_str(), flags, 0666);
  if (fd < 0) return Result<Handle>::failure(ErrnoToWin32(errno));
  if (!p.value().exists) NoteCreated(p.value(), Created::kEntry);
  std::lock_guard<std::mutex> guard(gLock);
  gFiles.insert(fd);
  return {fd, kOk};
}

Result<std::size_t> ReadFile(Handle file, void* buffer, std::size_t size) {
  if (!KnownFile(file)) return Result<std::size_t>::failure(kInvalidHandle);
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t got = read(static_cast<int>(file), out + done, size - done);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return {done, errno == EBADF ? kAccessDenied : ErrnoToWin32(errno)};
    }
    done += static_cast<std::size_t>(got);
  }
  return {done, kOk};
}

Result<std::size_t> WriteFile(Handle file, const void* buffer, std::size_t size) {
  if (!KnownFile(file)) return Result<std::size_t>::failure(kInvalidHandle);
  if (const int err = WriteAll(static_cast<int>(file), static_cast<const char*>(buffer), size)) {
    // A handle opened for reading only cannot be written: EBADF here means access denied.
    return Result<std::size_t>::failure(err == EBADF ? kAccessDenied : ErrnoToWin32(err));
  }
  return {size, kOk};
}

Result<std::int64_t> SeekFile(Handle file, std::int64_t offset, SeekOrigin origin) {
  if (!KnownFile(file)) return Result<std::int64_t>::failure(kInvalidHandle);
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  const off_t pos = lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
  if (pos < 0) {
    return Result<std::int64_t>::failure(errno == EINVAL ? kErrNegativeSeek : ErrnoToWin32(errno));
  }
  return {static_cast<std::int64_t>(pos), kOk};
}

Result<std::int64_t> FileSize(Handle file) {
  if (!KnownFile(file)) return Result<std::int64_t>::failure(kInvalidHandle);
  struct stat st;
  if (fstat(static_cast<int>(file), &st) != 0)
    return Result<std::int64_t>::failure(ErrnoToWin32(errno));
  return {static_cast<std::int64_t>(st.st_size), kOk};
}

std::uint32_t CloseFile(Handle file) {
  {
    std::lock_guard<std::mutex> guard(gLock);
    if (gFiles.erase(file) == 0) return kInvalidHandle;
  }
  return close(static_cast<int>(file)) == 0 ? kOk : ErrnoToWin32(errno);
}

std::uint32_t SetFileTimeFromDos(Handle file, std::uint16_t dosDate, std::uint16_t dosTime) {
  if (!KnownFile(file)) return kInvalidHandle;
  std::tm tm{};
  tm.tm_year = (dosDate >> 9) + 80;
  tm.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
  tm.tm_mday = dosDate & 0x1F;
  tm.tm_hour = dosTime >> 11;
  tm.tm_min = (dosTime >> 5) & 0x3F;
  tm.tm_sec = (dosTime & 0x1F) * 2;
  tm.tm_isdst = -1;
  if (!ValidDosDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec)) {
    return kInvalidParameter;
  }
  const std::time_t when = LocalTime(tm);
  if (when == static_cast<std::time_t>(-1)) return kInvalidParameter;
  const timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
  return futimens(static_cast<int>(file), times) == 0 ? kOk : ErrnoToWin32(errno);
}

Result<std::string> ModuleFileName() {
  std::string buf(PATH_MAX, '\0');
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n < 0) return Result<std::string>::failure(ErrnoToWin32(errno));
  buf.resize(static_cast<std::size_t>(n));
  return {HostToWindows(buf), kOk};
}

Result<std::string> ShortPathName(const std::string& path) {
  // Names have no 8.3 form here, as on a volume without short names: the path comes back.
  // Each component is looked up in turn, so any missing one is "file not found".
  auto p = MapPath(path);
  if (!p.ok()) return Result<std::string>::failure(p.error);
  if (!p.value().exists) return Result<std::string>::failure(kFileNotFound);
  return {path, kOk};
}

std::optional<std::string> Environment(const std::string& name) {
  // The temp variables name the Windows temp folder, as a Windows process sees them.
  if (SameName(name, "TEMP") || SameName(name, "TMP")) {
    EnsurePrefix();
    return WindowsTempFolder();
  }
  if (SameName(name, "USERPROFILE")) return "C:\\users\\" + WindowsUserName();
  if (name.empty() || name.find('=') != std::string::npos) return std::nullopt;
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq && SameName(std::string_view(*e, static_cast<std::size_t>(eq - *e)), name)) {
      return Utf8ToCp1250(eq + 1);
    }
  }
  return std::nullopt;
}

}  // namespace plat::posix
