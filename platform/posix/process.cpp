// Process services of the POSIX body: the named mutex as a lock file held with flock, and
// WinExec of a batch file as a detached process that interprets it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/posix/body.h"
#include "platform/posix/prefix.h"

namespace plat::posix {
namespace {

constexpr std::uint32_t kWinExecStarted = 33;
constexpr std::uint32_t kWinExecBadFormat = 11;

// The batch's retry loops: a pause before each jump, and no jump once the bound has passed,
// counted from the end of the program that started the batch.
constexpr auto kJumpPause = std::chrono::milliseconds(50);
constexpr auto kRetryBound = std::chrono::seconds(10);

std::mutex gLock;
std::set<Handle> gMutexes;

// A mutex name as a file name: bytes outside [A-Za-z0-9._-] are written as %XX.
std::string LockFileName(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '.' ||
        b == '_' || b == '-') {
      out += c;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out + ".lock";
}

// --- The batch interpreter -----------------------------------------------------------------

std::string Lower(std::string_view s) {
  std::string out;
  for (char c : s) out += FoldCase(c);
  return out;
}

// The next argument of a command line from `pos`: a quoted run (quotes removed) or a run of
// non-blanks. Empty when the line is used up.
std::string NextArgument(std::string_view line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  std::string out;
  bool quoted = false;
  while (pos < line.size() && (quoted || (line[pos] != ' ' && line[pos] != '\t'))) {
    if (line[pos] == '"') {
      quoted = !quoted;
    } else {
      out += line[pos];
    }
    ++pos;
  }
  return out;
}

class Batch {
 public:
  explicit Batch(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
      std::size_t j = text.find('\n', i);
      if (j == std::string::npos) j = text.size();
      std::string line = text.substr(i, j - i);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(std::move(line));
      i = j + 1;
    }
  }

  void Run() {
    const auto deadline = std::chrono::steady_clock::now() + kRetryBound;
    std::size_t pc = 0;
    while (pc < lines_.size()) {
      std::string_view line = lines_[pc++];
      std::string target;
      if (!Execute(line, target)) continue;
      // A jump: pause first, so a retry loop does not spin; past the bound, fall through.
      if (std::chrono::steady_clock::now() >= deadline) continue;
      std::this_thread::sleep_for(kJumpPause);
      const auto label = Find(target);
      if (label == lines_.size()) return;  // no such label: the interpreter stops
      pc = label + 1;
    }
  }

 private:
  // Runs one line; true when it asks to jump to `target`.
  bool Execute(std::string_view line, std::string& target) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.front() == '@')) {
      line.remove_prefix(1);
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.remove_suffix(1);
    }
    if (line.empty() || line.front() == ':') return false;
    std::size_t pos = 0;
    const std::string command = Lower(NextArgument(line, pos));
    if (command == "goto") {
      target = NextArgument(line, pos);
      return true;
    }
    if (command == "if") {
      std::string word = Lower(NextArgument(line, pos));
      const bool negate = word == "not";
      if (negate) word = Lower(NextArgument(line, pos));
      if (word != "exist") return false;
      auto p = MapPath(NextArgument(line, pos));
      const bool exists = p.ok() && p.value().exists;
      if (exists == negate) return false;
      return Execute(line.substr(pos), target);
    }
    const bool erase = command == "erase" || command == "del";
    const bool rd = command == "rd" || command == "rmdir";
    if (!erase && !rd) return false;  // echo, rem and anything else change nothing here
    for (std::string arg = NextArgument(line, pos); !arg.empty(); arg = NextArgument(line, pos)) {
      if (arg[0] == '/') continue;  // switches
      if (erase) {
        DeleteFile(arg);
      } else {
        RemoveDirectory(arg);
      }
    }
    return false;
  }

  std::size_t Find(std::string_view target) const {
    while (!target.empty() && target.front() == ':') target.remove_prefix(1);
    const std::string want = Lower(target);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      std::string_view l = lines_[i];
      while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
      if (l.empty() || l.front() != ':') continue;
      l.remove_prefix(1);
      std::size_t pos = 0;
      if (Lower(NextArgument(l, pos)) == want) return i;
    }
    return lines_.size();
  }

  std::vector<std::string> lines_;
};

// Waits until the process that started the batch has ended, however long that takes: the
// batch erases that program, which cannot go while it runs (the program may wait for its
// user's answer to a last message). `pidfd` is a process descriptor of it, or -1 where the
// kernel has none; then the pid is looked at between pauses.
void WaitForStarter(pid_t starter, int pidfd) {
  if (pidfd >= 0) {
    for (;;) {
      pollfd ended{pidfd, POLLIN, 0};
      if (poll(&ended, 1, -1) >= 0 || errno != EINTR) break;
    }
    close(pidfd);
    return;
  }
  while (kill(starter, 0) == 0 || errno == EPERM) std::this_thread::sleep_for(kJumpPause);
}

// The program named at the start of a WinExec command line: a quoted name, or the shortest
// run of blank-separated words that names an existing file, as CreateProcess tries them.
Result<HostPath> ProgramOf(const std::string& commandLine) {
  std::size_t start = 0;
  while (start < commandLine.size() && commandLine[start] == ' ') ++start;
  if (start < commandLine.size() && commandLine[start] == '"') {
    const auto close = commandLine.find('"', start + 1);
    return MapPath(
        commandLine.substr(start + 1, close == std::string::npos ? close : close - start - 1));
  }
  std::optional<Result<HostPath>> first;
  for (std::size_t end = start; end <= commandLine.size(); ++end) {
    if (end != commandLine.size() && commandLine[end] != ' ') continue;
    auto p = MapPath(commandLine.substr(start, end - start));
    if (p.ok() && p.value().exists) return p;
    if (!first) first = p;
  }
  return first ? *first : Result<HostPath>::failure(kFileNotFound);
}

bool HasBatchExtension(const std::string& name) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string ext = Lower(name.substr(dot));
  return ext == ".bat" || ext == ".cmd";
}

}  // namespace

MutexResult CreateNamedMutex(const std::string& name) {
  auto prefix = EnsurePrefix();
  if (!prefix.ok()) return {kNoHandle, prefix.error};
  const std::string folder = prefix.value() + "/mutex";
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return {kNoHandle, ErrnoToWin32(errno)};
  const int fd =
      open((folder + "/" + LockFileName(name)).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return {kNoHandle, ErrnoToWin32(errno)};
  std::uint32_t error = kOk;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      const int err = errno;
      close(fd);
      return {kNoHandle, ErrnoToWin32(err)};
    }
    error = kAlreadyExists;  // held by another process, or by another handle of this one
  }
  std::lock_guard<std::mutex> guard(gLock);
  gMutexes.insert(fd);
  return {fd, error};
}

void CloseMutex(Handle mutex) {
  std::lock_guard<std::mutex> guard(gLock);
  if (gMutexes.erase(mutex) != 0) close(static_cast<int>(mutex));
}

std::uint32_t StartHidden(const std::string& commandLine) {
  auto program = ProgramOf(commandLine);
  if (!program.ok()) return program.error;
  if (!program.value().exists) return MissingError(program.value());
  if (!HasBatchExtension(program.value().name)) return kWinExecBadFormat;
  const int fd = open(program.value().host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToWin32(errno);
  std::string text;
  char buf[4096];
  for (ssize_t got; (got = read(fd, buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<std::size_t>(got));
  close(fd);
  Batch batch(text);

  // Two forks and a new session: the interpreter is no child of the caller and lives on
  // after it. It must hold none of the caller's descriptors: a copy of the mutex's lock file
  // would keep the lock held. The caller waits on a pipe until they are closed. Before it
  // runs the batch, the interpreter waits for the caller to end, as the batch removes it.
  const pid_t starter = getpid();
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return ErrnoToWin32(errno);
  const pid_t child = fork();
  if (child < 0) {
    const int err = errno;
    close(ready[0]);
    close(ready[1]);
    return ErrnoToWin32(err);
  }
  if (child == 0) {
    setsid();
    if (fork() != 0) _exit(0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    dup2(ready[1], 3);
    // Opened while the caller still waits on the pipe, so the pid names the caller.
    const int starterFd = static_cast<int>(syscall(SYS_pidfd_open, starter, 0));
    const bool watching = starterFd >= 0 && dup2(starterFd, 4) == 4;
    close_range(watching ? 5 : 4, ~0U, 0);
    close(3);  // the caller's read sees the end: nothing of the caller is held any more
    WaitForStarter(starter, watching ? 4 : -1);
    DisownImage();
    batch.Run();
    _exit(0);
  }
  close(ready[1]);
  char byte;
  while (read(ready[0], &byte, 1) != 0 && errno == EINTR) {
  }
  close(ready[0]);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  return kWinExecStarted;
}

}  // namespace plat::posix
