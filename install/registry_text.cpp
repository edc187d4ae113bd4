#include "install/registry_text.h"

#include "texts/error.h"

namespace setup {

std::string ReadRegistryString(const plat::RegKey& key, const std::string& name) {
  if (!key.valid()) return {};
  auto value = plat::RegQueryValue(key.get(), name);
  if (!value.ok() || value.value.data.empty()) return {};
  if (value.value.type != plat::kRegSz && value.value.type != plat::kRegExpandSz) {
    throw SetupError("Invalid data type for '" + name + "'");
  }
  const std::string& data = value.value.data;
  return data.substr(0, data.find('\0'));
}

}  // namespace setup
