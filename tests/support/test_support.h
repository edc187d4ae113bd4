// What the test suites share: host-side files and folders (std::filesystem), the program's
// own path, and a fresh simulated machine per test reached through the platform services
// (POSIX: $SETUP_PREFIX points at a new host folder; Windows: the real machine), so that the
// same tests run on both builds.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace setup::testing {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The folder of the real archives (SOURCES.md there says where each comes from).
fs::path FixtureDir();

// Whole host files; ReadAll and WriteAll throw when the file cannot be read or written.
Bytes ReadAll(const fs::path& path);
void WriteAll(const fs::path& path, std::string_view bytes);
void WriteAll(const fs::path& path, const Bytes& bytes);
// The file's bytes, empty when it cannot be read.
std::string ReadText(const fs::path& path);
Bytes ToBytes(std::string_view text);

// `stem` followed by twelve random hex digits.
std::string UniqueName(const std::string& stem);

// A fresh folder below the system temp folder, removed with its contents (read-only ones
// too) at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(TempDir&&) = delete;  // neither copied nor moved: one owner removes it
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// The Windows path under which the program sees a host path, and back (POSIX only).
std::string Win(const fs::path& host);
#ifndef _WIN32
fs::path HostOf(const std::string& windows);
#endif

void SetEnvironment(const char* name, const std::string& value);

// The test program itself, for tests that start it again in another process; RunSelf runs
// it with `argument` and is true when it exits with code 0.
const fs::path& SelfPath();
void SetSelfPath(const fs::path& path);
bool RunSelf(const std::string& argument);

// Code page 1250 bytes of a UTF-8 text; bytes as lower-case hex digits.
std::string Cp(std::string_view utf8);
std::string Hex(std::string_view bytes);

// Polls (without asserting any duration) until `done` holds or a generous limit passes.
template <class F>
bool Eventually(F done, std::chrono::seconds limit = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

// A fresh machine and a fresh work folder in its temp folder, which is the current
// directory during the test, so that a relative path that slips through resolves there.
class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Work() + "\" + name.
  std::string In(const std::string& name) const { return work_ + "\\" + name; }
  const std::string& Work() const { return work_; }

 private:
  fs::path hostPrefix_;
  std::string savedPrefix_;
  bool hadPrefix_ = false;
  std::string savedCurrent_;
  std::string work_;
};

// Files of the machine through the platform services; paths are Windows paths in code page
// 1250.
void PutFile(const std::string& path, const std::string& bytes);
std::string FileBytes(const std::string& path);
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
void MakeFolder(const std::string& path);   // one folder, which must be made
void MakeFolders(const std::string& path);  // every missing folder of the path
// The names in a folder, "." and ".." left out.
std::vector<std::string> Names(const std::string& folder);
// Deletes a tree whatever its attributes.
void Erase(const std::string& path);

}  // namespace setup::testing
