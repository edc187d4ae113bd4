#include "temp_source.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/codepage.h"
#include "platform/profile.h"

namespace setup::test {

std::string Cp(std::string_view utf8) { return plat::Utf8ToCp1250(utf8); }

void TempSourceTest::SetUp() {
  std::random_device random;
  for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("texts-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) root_ = candidate;
  }
  ASSERT_FALSE(root_.empty());
  fs::create_directories(root_ / "source");
#ifndef _WIN32
  fs::create_directories(root_ / "prefix");
  const char* previous = getenv("SETUP_PREFIX");
  if (previous != nullptr) savedPrefix_ = previous;
  setenv("SETUP_PREFIX", (root_ / "prefix").c_str(), 1);
#endif
}

void TempSourceTest::TearDown() {
#ifndef _WIN32
  if (savedPrefix_) {
    setenv("SETUP_PREFIX", savedPrefix_->c_str(), 1);
  } else {
    unsetenv("SETUP_PREFIX");
  }
#endif
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string TempSourceTest::WindowsPath(const fs::path& host) {
#ifdef _WIN32
  return host.string();
#else
  std::string path = "Z:" + host.string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
#endif
}

void TempSourceTest::WriteIni(const std::string& bytes) const {
  std::ofstream out(iniHost(), std::ios::binary);
  out << bytes;
}

std::string TempSourceTest::ReadIni() const {
  std::ifstream in(iniHost(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempSourceTest::Get(const std::string& section, const std::string& key) const {
  return plat::ProfileGetString(section, key, "<missing>", iniPath());
}

}  // namespace setup::test
