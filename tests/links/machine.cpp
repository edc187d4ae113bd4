#include "machine.h"

#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/codepage.h"
#include "platform/files.h"

namespace setup::testing {

namespace {

std::string Unique(const std::string& stem) {
  static std::mt19937_64 bits{std::random_device{}()};
  std::string name = stem;
  std::uint64_t value = bits();
  for (int i = 0; i < 10; ++i, value >>= 4) name += "0123456789abcdef"[value & 15];
  return name;
}

}  // namespace

void MachineTest::SetUp() {
#ifndef _WIN32
  hostPrefix_ = (std::filesystem::temp_directory_path() / Unique("setup-machine-")).string();
  std::filesystem::create_directories(hostPrefix_);
  setenv("SETUP_PREFIX", hostPrefix_.c_str(), 1);
#endif
  auto current = plat::CurrentDirectory();
  ASSERT_TRUE(current.ok());
  savedCurrent_ = current.value;
  auto temp = plat::TempPath();
  ASSERT_TRUE(temp.ok());
  work_ = temp.value + Unique("w");
  ASSERT_EQ(plat::CreateDirectory(work_), plat::kOk) << work_;
}

void MachineTest::TearDown() {
  plat::SetCurrentDirectory(savedCurrent_);
  if (!work_.empty()) Erase(work_);
#ifndef _WIN32
  std::error_code ignored;
  std::filesystem::remove_all(hostPrefix_, ignored);
  unsetenv("SETUP_PREFIX");
#endif
}

void PutFile(const std::string& path, const std::string& bytes) {
  auto file = plat::File::Open(path, plat::OpenMode::kCreate);
  ASSERT_TRUE(file.ok()) << path << " error " << file.error;
  auto written = plat::WriteFile(file.value.get(), bytes.data(), bytes.size());
  ASSERT_TRUE(written.ok() && written.value == bytes.size()) << path;
  ASSERT_EQ(file.value.close(), plat::kOk) << path;
}

std::string FileBytes(const std::string& path) {
  auto file = plat::File::Open(path, plat::OpenMode::kRead);
  if (!file.ok()) return {};
  std::string bytes;
  char buffer[4096];
  for (;;) {
    auto got = plat::ReadFile(file.value.get(), buffer, sizeof buffer);
    if (!got.ok() || got.value == 0) break;
    bytes.append(buffer, got.value);
  }
  return bytes;
}

bool PathExists(const std::string& path) { return plat::FileAttributes(path).ok(); }

void MakeFolders(const std::string& path) {
  for (std::size_t at = path.find('\\', 3);; at = path.find('\\', at + 1)) {
    plat::CreateDirectory(path.substr(0, at));
    if (at == std::string::npos) break;
  }
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  plat::DirSearch search(folder + "\\*.*");
  if (!search.valid()) return names;
  do {
    const std::string& name = search.entry().name;
    if (name != "." && name != "..") names.push_back(name);
  } while (search.next());
  return names;
}

void Erase(const std::string& path) {
  auto attributes = plat::FileAttributes(path);
  if (!attributes.ok()) return;
  if (attributes.value & plat::kAttrReadOnly) {
    plat::SetFileAttributes(path, attributes.value & ~plat::kAttrReadOnly);
  }
  if (attributes.value & plat::kAttrDirectory) {
    for (const std::string& name : Names(path)) Erase(path + "\\" + name);
    plat::RemoveDirectory(path);
  } else {
    plat::DeleteFile(path);
  }
}

std::string Cp(const std::string& utf8) { return plat::Utf8ToCp1250(utf8); }

}  // namespace setup::testing
