// A fresh simulated machine per test (POSIX: $SETUP_PREFIX points at a new host folder;
// Windows: the real machine) and a fresh folder in its temp folder, reached only through the
// platform services, so that the same tests run on both builds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace setup::testing {

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Work() + "\" + name.
  std::string In(const std::string& name) const { return work_ + "\\" + name; }
  const std::string& Work() const { return work_; }

 private:
  std::string hostPrefix_;
  std::string savedCurrent_;
  std::string work_;
};

// File helpers over the platform services; paths are Windows paths in code page 1250.
void PutFile(const std::string& path, const std::string& bytes);
std::string FileBytes(const std::string& path);
bool PathExists(const std::string& path);
void MakeFolders(const std::string& path);
// The names in a folder, "." and ".." left out.
std::vector<std::string> Names(const std::string& folder);
// Deletes a tree, clearing read-only attributes first.
void Erase(const std::string& path);

// Code page 1250 bytes of a UTF-8 text.
std::string Cp(const std::string& utf8);

}  // namespace setup::testing
