// Two copies at once: while one copy of the program installs (or uninstalls), further copies
// are started one after another in other processes. Each of them must end at start-up with
// exit code 3, and no two runs may ever overlap.
#include "copies.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "runs_support.h"

extern char** environ;

namespace setup::faults {
namespace {

namespace fs = std::filesystem;

pid_t Start(const std::string& folder, const std::string& marker) {
  const std::string self = setup::testing::SelfPath().string();
  char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>("--copy"),
                  const_cast<char*>(folder.c_str()), const_cast<char*>(marker.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  return pid;
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

struct Outcome {
  int first = -1;                 // the first copy's exit code
  std::map<int, int> others;      // exit code -> copies started while the first ran
  std::vector<std::string> runs;  // the marker lines
};

class TwoCopies : public setup::testing::RunsTest {
 protected:
  // Starts the first copy in `folder`, then further copies one after another until it ends.
  Outcome Race(const std::string& folder) {
    const std::string marker =
        (fs::temp_directory_path() / ("copies-" + std::to_string(getpid()))).string();
    fs::remove(marker);
    Outcome outcome;
    const pid_t first = Start(folder, marker);
    EXPECT_GT(first, 0);
    int status = 0;
    // The others start once the first has taken the lock and begun its run.
    for (int i = 0; i < 1000 && !fs::exists(marker); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (;;) {
      const pid_t other = Start(folder, marker);
      int otherStatus = 0;
      waitpid(other, &otherStatus, 0);
      if (waitpid(first, &status, WNOHANG) == first) {
        // The last one may have started after the first had ended: not counted.
        break;
      }
      ++outcome.others[ExitCode(otherStatus)];
    }
    outcome.first = ExitCode(status);
    std::ifstream in(marker);
    for (std::string line; std::getline(in, line);) outcome.runs.push_back(line);
    fs::remove(marker);
    return outcome;
  }

  // The runs, as "start"/"end" pairs, never interleave.
  static std::string Overlaps(const std::vector<std::string>& runs) {
    std::string running;
    for (const std::string& line : runs) {
      std::istringstream words(line);
      std::string what, pid;
      words >> what >> pid;
      if (what == "start") {
        if (!running.empty()) return "run " + pid + " started while " + running + " ran";
        running = pid;
      } else if (what == "end") {
        if (running != pid) return "run " + pid + " ended while " + running + " ran";
        running.clear();
      }
    }
    return {};
  }
};

TEST_F(TwoCopies, CopiesStartedWhileOneInstallsAndThenUninstallsEndWithCode3) {
  MakePayload(false, false);
  Outcome install = Race(Payload());
  EXPECT_EQ(install.first, 0);
  EXPECT_EQ(Overlaps(install.runs), "");
  ASSERT_GE(install.runs.size(), 2u);
  EXPECT_EQ(install.runs.front().rfind("start ", 0), 0u);
  EXPECT_GE(install.others[3], 5) << "too few copies started during the install";
  EXPECT_EQ(install.others.size(), 1u) << "a copy started during the install did not end with 3";
  std::printf("[ copies   ] install: %d copies started while it ran, all ended with code 3\n",
              install.others[3]);

  const std::optional<std::string> home = RecordedHome();
  ASSERT_TRUE(home.has_value());
  Outcome uninstall = Race(*home);
  EXPECT_EQ(uninstall.first, 0);
  EXPECT_EQ(Overlaps(uninstall.runs), "");
  EXPECT_GE(uninstall.others[3], 1) << "no copy started during the uninstall";
  EXPECT_EQ(uninstall.others.count(0), 0u) << "a copy ran beside the uninstall";
  EXPECT_FALSE(RecordedHome().has_value());
  std::printf("[ copies   ] uninstall: %d copies started while it ran, all ended with code 3\n",
              uninstall.others[3]);
}

}  // namespace
}  // namespace setup::faults
