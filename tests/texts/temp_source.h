// A fresh temporary source folder for each test. On Linux it lies in a simulated machine of
// its own ($SETUP_PREFIX) and is reached through drive Z:; on Windows it is a folder of the
// real machine.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace setup::test {

namespace fs = std::filesystem;

std::string Cp(std::string_view utf8);

class TempSourceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static std::string WindowsPath(const fs::path& host);

  fs::path iniHost() const { return root_ / "source" / "setup.ini"; }
  std::string iniPath() const { return WindowsPath(iniHost()); }
  void WriteIni(const std::string& bytes) const;
  std::string ReadIni() const;
  // A value of the file as the platform reads it; "<missing>" when absent.
  std::string Get(const std::string& section, const std::string& key) const;

  fs::path root_;

 private:
  std::optional<std::string> savedPrefix_;
};

}  // namespace setup::test
