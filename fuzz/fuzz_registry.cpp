// The POSIX body's registry on an arbitrary hive file: the input becomes HKEY_CURRENT_USER's
// file; its keys are walked (open, count, enumerate, read a few values) to a bounded depth;
// then a value is written and must read back as written.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/machine_input.h"
#include "platform/registry.h"

namespace {

void Walk(const std::string& path, int depth, int& budget) {
  if (depth > 4 || --budget < 0) return;
  auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, path);
  if (!key.ok()) return;
  for (const char* name : {"AppDir", "Desktop", "", "Programs"}) {
    plat::RegQueryValue(key.value().get(), name);
  }
  auto info = plat::RegQueryInfo(key.value().get());
  if (!info.ok()) return;
  for (std::uint32_t i = 0; i < info.value().subkeys && i < 16; ++i) {
    auto name = plat::RegEnumKey(key.value().get(), i);
    if (name.ok()) Walk(path + "\\" + name.value(), depth + 1, budget);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Machine& machine = fuzz::Machine::Get();
  std::ofstream(machine.prefix() / "user.reg", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  int budget = 200;
  Walk("", 0, budget);
  Walk("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0, budget);

  auto key = plat::RegKey::Create(plat::Hive::kCurrentUser, "\\software\\Korb\\Vorlex");
  if (key.ok() &&
      plat::RegSetString(key.value().get(), "AppDir", "C:\\Fuzz \"home\"") == plat::kOk) {
    auto value = plat::RegQueryValue(key.value().get(), "AppDir");
    const plat::RegValue read = value.value_or({});
    const std::string text = read.data.substr(0, read.data.find('\0'));
    if (!value.ok() || read.type != plat::kRegSz || text != "C:\\Fuzz \"home\"") {
      std::fprintf(stderr, "registry: AppDir not read back as written\n");
      std::abort();
    }
  }
  return 0;
}
