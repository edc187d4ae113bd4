// Shared test support: a fresh simulated machine per test (POSIX: $SETUP_PREFIX points at a
// new folder; Windows: the real machine) with a fresh work folder inside its temp folder.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/services.h"

namespace setup::testing {

// The test program's own path, for tests that start it again as a second process.
extern std::string gSelfPath;

// Runs the test program itself with `argument`; true when it exits with code 0.
bool RunSelf(const std::string& argument);

class PrefixTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A path in the work folder: Work() + "\" + name.
  std::string At(const std::string& name) const { return work_ + "\\" + name; }
  const std::string& Work() const { return work_; }

 private:
  std::string hostPrefix_;
  std::string savedPrefix_;
  bool hadPrefix_ = false;
  std::string savedCurrent_;
  std::string work_;
};

// Writes `text` into a new file at `path`.
void WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
void MakeFolder(const std::string& path);
// Deletes a tree whatever its attributes.
void Wipe(const std::string& path);

// The table in force with selected entries replaced; restores it when it goes.
class Injection {
 public:
  Injection() : table_(plat::services()) {}
  plat::Services& table() { return table_; }
  void Apply() { scoped_.emplace(table_); }

 private:
  plat::Services table_;
  std::optional<plat::ScopedServices> scoped_;
};

}  // namespace setup::testing
