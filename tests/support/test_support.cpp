#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/files.h"

#ifndef _WIN32
#include "platform/posix/prefix.h"
#endif

namespace setup::testing {

fs::path FixtureDir() { return SETUP_ZIP_FIXTURES; }

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
  WriteAll(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string UniqueName(const std::string& stem) {
  static std::mt19937_64 generator{std::random_device{}()};
  std::string name = stem;
  std::uint64_t bits = generator();
  for (int i = 0; i < 12; ++i, bits >>= 4) name += "0123456789abcdef"[bits & 15];
  return name;
}

TempDir::TempDir() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto p = fs::temp_directory_path() / UniqueName("setup-test-");
    if (fs::create_directory(p)) {
      path_ = p;
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string Win(const fs::path& host) {
#ifdef _WIN32
  return fs::absolute(host).string();
#else
  return plat::posix::HostToWindows(fs::absolute(host).lexically_normal().string());
#endif
}

#ifndef _WIN32
fs::path HostOf(const std::string& windows) {
  auto mapped = plat::posix::MapPath(windows);
  EXPECT_TRUE(mapped.ok()) << windows;
  return mapped.value().host;
}
#endif

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

namespace {

fs::path& SelfPathStorage() {
  static fs::path path;
  return path;
}

}  // namespace

const fs::path& SelfPath() { return SelfPathStorage(); }
void SetSelfPath(const fs::path& path) { SelfPathStorage() = path; }

bool RunSelf(const std::string& argument) {
  std::string command = "\"" + SelfPath().string() + "\" " + argument;
#ifdef _WIN32
  // cmd /c drops the first and the last quote of the line when it starts with one.
  command = "\"" + command + "\"";
#endif
  return std::system(command.c_str()) == 0;
}

std::string Cp(std::string_view utf8) { return plat::Utf8ToCp1250(utf8); }

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

void MachineTest::SetUp() {
#ifndef _WIN32
  if (const char* prefix = std::getenv("SETUP_PREFIX")) {
    hadPrefix_ = true;
    savedPrefix_ = prefix;
  }
  hostPrefix_ = fs::temp_directory_path() / UniqueName("setup-machine-");
  fs::create_directories(hostPrefix_);
  SetEnvironment("SETUP_PREFIX", hostPrefix_.string());
#endif
  auto current = plat::CurrentDirectory();
  ASSERT_TRUE(current.ok());
  savedCurrent_ = current.value();
  auto temp = plat::TempPath();
  ASSERT_TRUE(temp.ok());
  work_ = temp.value() + UniqueName("w");
  ASSERT_EQ(plat::CreateDirectory(work_), plat::kOk) << work_;
  ASSERT_EQ(plat::SetCurrentDirectory(work_), plat::kOk) << work_;
}

void MachineTest::TearDown() {
  plat::SetCurrentDirectory(savedCurrent_);
  if (!work_.empty()) Erase(work_);
#ifndef _WIN32
  std::error_code ignored;
  fs::remove_all(hostPrefix_, ignored);
  if (hadPrefix_) {
    SetEnvironment("SETUP_PREFIX", savedPrefix_);
  } else {
    unsetenv("SETUP_PREFIX");
  }
#endif
}

void PutFile(const std::string& path, const std::string& bytes) {
  auto file = plat::File::Open(path, plat::OpenMode::kCreate);
  ASSERT_TRUE(file.ok()) << path << " error " << file.error;
  auto written = plat::WriteFile(file.value().get(), bytes.data(), bytes.size());
  ASSERT_TRUE(written.ok() && written.value() == bytes.size()) << path;
  ASSERT_EQ(file.value().close(), plat::kOk) << path;
}

std::string FileBytes(const std::string& path) {
  auto file = plat::File::Open(path, plat::OpenMode::kRead);
  if (!file.ok()) return {};
  std::string bytes;
  char buffer[4096];
  for (;;) {
    auto got = plat::ReadFile(file.value().get(), buffer, sizeof buffer);
    if (!got.ok() || got.value() == 0) break;
    bytes.append(buffer, got.value());
  }
  return bytes;
}

bool PathExists(const std::string& path) { return plat::FileAttributes(path).ok(); }

bool IsFolder(const std::string& path) {
  auto attributes = plat::FileAttributes(path);
  return attributes.ok() && (attributes.value() & plat::kAttrDirectory) != 0;
}

void MakeFolder(const std::string& path) {
  ASSERT_EQ(plat::CreateDirectory(path), plat::kOk) << path;
}

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
  if (!PathExists(path)) return;
  plat::SetFileAttributes(path, plat::kAttrNormal);
  if (IsFolder(path)) {
    for (const std::string& name : Names(path)) Erase(path + "\\" + name);
    plat::RemoveDirectory(path);
  } else {
    plat::DeleteFile(path);
  }
}

}  // namespace setup::testing
