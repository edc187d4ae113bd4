#include "support.h"

#include <cstdlib>
#include <filesystem>
#include <random>

#include "install/paths.h"
#include "platform/files.h"

namespace setup::testing {

std::string gSelfPath;

namespace {

std::string UniqueName(const std::string& stem) {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdef";
  std::string name = stem;
  std::uint64_t bits = generator();
  for (int i = 0; i < 12; ++i, bits >>= 4) name += kDigits[bits & 15];
  return name;
}

}  // namespace

bool RunSelf(const std::string& argument) {
  std::string command = "\"" + gSelfPath + "\" " + argument;
#ifdef _WIN32
  // cmd /c drops the first and the last quote of the line when it starts with one.
  command = "\"" + command + "\"";
#endif
  return std::system(command.c_str()) == 0;
}

void PrefixTest::SetUp() {
#ifndef _WIN32
  if (const char* prefix = std::getenv("SETUP_PREFIX")) {
    hadPrefix_ = true;
    savedPrefix_ = prefix;
  }
  hostPrefix_ = (std::filesystem::temp_directory_path() / UniqueName("utilities-")).string();
  std::filesystem::create_directories(hostPrefix_);
  setenv("SETUP_PREFIX", hostPrefix_.c_str(), 1);
#endif
  auto current = plat::CurrentDirectory();
  ASSERT_TRUE(current.ok());
  savedCurrent_ = current.value;
  auto temp = plat::TempPath();
  ASSERT_TRUE(temp.ok());
  work_ = NormalizePath(temp.value + "\\" + UniqueName("utl-"));
  ASSERT_EQ(plat::CreateDirectory(work_), plat::kOk) << work_;
  // A relative path that slips through resolves inside the work folder, never where the
  // test program was started.
  ASSERT_EQ(plat::SetCurrentDirectory(work_), plat::kOk) << work_;
}

void PrefixTest::TearDown() {
  plat::SetCurrentDirectory(savedCurrent_);
  if (!work_.empty()) Wipe(work_);
#ifndef _WIN32
  std::error_code ignored;
  std::filesystem::remove_all(hostPrefix_, ignored);
  if (hadPrefix_) {
    setenv("SETUP_PREFIX", savedPrefix_.c_str(), 1);
  } else {
    unsetenv("SETUP_PREFIX");
  }
#endif
}

void WriteText(const std::string& path, const std::string& text) {
  auto file = plat::File::Open(path, plat::OpenMode::kCreate);
  ASSERT_TRUE(file.ok()) << path;
  auto written = plat::WriteFile(file.value.get(), text.data(), text.size());
  ASSERT_TRUE(written.ok() && written.value == text.size()) << path;
  ASSERT_EQ(file.value.close(), plat::kOk) << path;
}

bool Exists(const std::string& path) { return plat::FileAttributes(path).ok(); }

bool IsFolder(const std::string& path) {
  auto attributes = plat::FileAttributes(path);
  return attributes.ok() && (attributes.value & plat::kAttrDirectory) != 0;
}

void MakeFolder(const std::string& path) {
  ASSERT_EQ(plat::CreateDirectory(path), plat::kOk) << path;
}

void Wipe(const std::string& path) {
  plat::SetFileAttributes(path, plat::kAttrNormal);
  if (IsFolder(path)) {
    {
      plat::DirSearch search(path + "\\*");
      if (search.valid()) {
        do {
          const std::string& name = search.entry().name;
          if (name != "." && name != "..") Wipe(path + "\\" + name);
        } while (search.next());
      }
    }
    plat::RemoveDirectory(path);
  } else {
    plat::DeleteFile(path);
  }
}

}  // namespace setup::testing
