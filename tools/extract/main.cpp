// extract ARCHIVE DESTINATION: extracts a zip archive the way the setup does (ExtractArchive),
// with progress on a terminal. Host paths are taken as well as Windows paths; exit status 0
// only when every member was extracted.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/codepage.h"
#include "unzip/coding.h"

#ifdef _WIN32
#include <io.h>
#define SETUP_ISATTY _isatty
#define SETUP_FILENO _fileno
#else
#include <unistd.h>

#include <filesystem>

#include "platform/posix/prefix.h"
#define SETUP_ISATTY isatty
#define SETUP_FILENO fileno
#endif

namespace {

// A bare file name stays as it is (found in the current directory); a Windows path ("C:\..",
// "\..", ".\..") too. On a POSIX host any other path is a host path, absolute or relative to
// the current directory, and becomes its Windows name (Z:\... for the host root).
std::string ToWindowsPath(const std::string& arg) {
#ifdef _WIN32
  return arg;
#else
  const bool windowsStyle =
      (arg.size() >= 2 && arg[1] == ':') || arg.find('\\') != std::string::npos;
  if (windowsStyle || arg.find('/') == std::string::npos) return plat::Utf8ToCp1250(arg);
  std::filesystem::path host(arg);
  if (host.is_relative()) host = std::filesystem::current_path() / host;
  std::string text = host.lexically_normal().string();
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return plat::posix::HostToWindows(text);
#endif
}

struct Progress {
  long long total = 0;
  long long written = 0;
  long members = 0;
  int shownPercent = -1;
  long shownMembers = -1;
};

Progress gProgress;

void Show() {
  const int percent =
      gProgress.total > 0 ? static_cast<int>(gProgress.written * 100 / gProgress.total) : 100;
  if (percent == gProgress.shownPercent && gProgress.members == gProgress.shownMembers) return;
  gProgress.shownPercent = percent;
  gProgress.shownMembers = gProgress.members;
  std::printf("\r%ld members, %lld of %lld bytes (%d%%)", gProgress.members, gProgress.written,
              gProgress.total, percent);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract ARCHIVE DESTINATION\n");
    return 1;
  }
  const std::string archive = ToWindowsPath(argv[1]);
  const std::string destination = ToWindowsPath(argv[2]);
  const bool terminal = SETUP_ISATTY(SETUP_FILENO(stdout)) != 0;
  unzip::ReportProc progress;
  if (terminal) {
    progress = [](std::int32_t first, const unzip::ReportRecord* record) {
      switch (record->Status) {
        case unzip::kReportArchiveStart:
          gProgress.total = static_cast<std::uint32_t>(record->Size);
          break;
        case unzip::kReportWrite:
          gProgress.written += first;
          break;
        case unzip::kReportMemberDone:
          ++gProgress.members;
          break;
        default:
          return;
      }
      Show();
    };
  }
  std::int32_t result;
  unzip::RunFailure why;
  try {
    result = unzip::ExtractArchive(archive, destination, &why, progress);
  } catch (const std::exception& e) {
    if (terminal) std::printf("\n");
    std::fprintf(stderr, "%s\n", plat::Cp1250ToUtf8(e.what()).c_str());
    return 1;
  }
  if (terminal) std::printf("\n");
  if (result != 0) {
    std::fprintf(stderr, "%s\n",
                 plat::Cp1250ToUtf8(unzip::ExtractMessage(result, archive, why)).c_str());
    return 1;
  }
  return 0;
}
