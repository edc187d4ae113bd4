#include "uninstall/install_record.h"

#include "install/registry_text.h"
#include "platform/registry.h"
#include "texts/error.h"

namespace setup {

namespace {

const char kAppDir[] = "AppDir";

// Deletes the subkey `name` of the open key `parent` (whose path is `parentPath`) with all
// keys below it: subkeys are enumerated from the last index to the first and deleted the
// same way, an index whose enumeration fails is skipped, then the key itself goes.
void DeleteKeyTree(const plat::RegKey& parent, const std::string& parentPath,
                   const std::string& name) {
  const std::string path = parentPath + "\\" + name;
  {
    auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, path);
    if (key.ok()) {
      auto info = plat::RegQueryInfo(key.value().get());
      if (info.ok()) {
        for (std::uint32_t index = info.value().subkeys; index-- > 0;) {
          auto subkey = plat::RegEnumKey(key.value().get(), index);
          if (subkey.ok() && !subkey.value().empty())
            DeleteKeyTree(key.value(), path, subkey.value());
        }
      }
    }
  }
  plat::RegDeleteKey(parent.get(), name);
}

}  // namespace

std::string TInstallRecord::RecordKey() const { return RKey + "\\" + RProg; }

bool TInstallRecord::ReadRecord() {
  auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, RecordKey());
  if (!key.ok()) return false;
  RHomeDir = ReadRegistryString(key.value(), kAppDir);
  return true;
}

bool TInstallRecord::WriteRecord() {
  auto key = plat::RegKey::Create(plat::Hive::kCurrentUser, RecordKey());
  if (!key.ok()) return false;
  // REG_SZ data ends at its first zero byte.
  const std::string value = RHomeDir.substr(0, RHomeDir.find('\0'));
  if (plat::RegSetString(key.value().get(), kAppDir, value) != plat::kOk) {
    throw SetupError(std::string("Failed to set data for '") + kAppDir + "'");
  }
  return true;
}

void TInstallRecord::DeleteRecord() {
  // With an empty product name the record key would be the maker key itself.
  if (RProg.find_first_not_of('\\') == std::string::npos) return;
  auto maker = plat::RegKey::Open(plat::Hive::kCurrentUser, RKey);
  if (!maker.ok()) return;
  DeleteKeyTree(maker.value(), RKey, RProg);
}

}  // namespace setup
