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
    const plat::RegKey key =
        plat::RegKey::Open(plat::Hive::kCurrentUser, kShellFolders).value_or({});
    deskTopDir_ = ReadRegistryString(key, "Desktop");
    fontsDir_ = ReadRegistryString(key, "Fonts");
    startMenuDir_ = ReadRegistryString(key, "Start Menu");
    startMenuProgramsDir_ = ReadRegistryString(key, "Programs");
    recentDir_ = ReadRegistryString(key, "Recent");
    startMenuStartUp_ = ReadRegistryString(key, "StartUp");
  }
  const plat::RegKey key =
      plat::RegKey::Open(plat::Hive::kLocalMachine, kCurrentVersion).value_or({});
  windowsDir_ = ReadRegistryString(key, "SystemRoot");
  programFilesDir_ = ReadRegistryString(key, "ProgramFilesDir");
}

}  // namespace setup
