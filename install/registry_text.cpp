#include "install/registry_text.h"

#include "texts/error.h"

namespace setup {

std::string ReadRegistryString(const plat::RegKey& key, const std::string& name) {
  if (!key.valid()) return {};
  auto value = plat::RegQueryValue(key.get(), name);
  // A value that is not there reads as empty; one that is there and cannot be read must not
  // pass for an empty one (an installation record would lose its home directory).
  if (!value.ok() && value.error != plat::kFileNotFound) throw InOutError(value.error);
  if (!value.ok() || value.value().data.empty()) return {};
  if (value.value().type != plat::kRegSz && value.value().type != plat::kRegExpandSz) {
    throw SetupError("Invalid data type for '" + name + "'");
  }
  const std::string& data = value.value().data;
  return data.substr(0, data.find('\0'));
}

}  // namespace setup
