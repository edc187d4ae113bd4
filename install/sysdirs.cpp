#include "install/sysdirs.h"

#include "install/registry_text.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace setup {

namespace {

// The environment is read into a zero-filled buffer of 512 bytes: a value that does not fit
// with its terminating zero leaves the buffer untouched, so the text is empty.
constexpr std::size_t kTempBuffer = 512;

std::string ReadTemp() {
  auto value = plat::Environment("TEMP");
  if (!value || value->size() >= kTempBuffer) return {};
  return value->substr(0, value->find('\0'));
}

const char kShellFolders[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kCurrentVersion[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

TSystemDirs::TSystemDirs() : tempDir_(ReadTemp()) {
  {
    auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, kShellFolders);
    deskTopDir_ = ReadRegistryString(key.value, "Desktop");
    fontsDir_ = ReadRegistryString(key.value, "Fonts");
    startMenuDir_ = ReadRegistryString(key.value, "Start Menu");
    startMenuProgramsDir_ = ReadRegistryString(key.value, "Programs");
    recentDir_ = ReadRegistryString(key.value, "Recent");
    startMenuStartUp_ = ReadRegistryString(key.value, "StartUp");
  }
  auto key = plat::RegKey::Open(plat::Hive::kLocalMachine, kCurrentVersion);
  windowsDir_ = ReadRegistryString(key.value, "SystemRoot");
  programFilesDir_ = ReadRegistryString(key.value, "ProgramFilesDir");
}

}  // namespace setup
