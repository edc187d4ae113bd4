// Reading a string value from an open registry key, as the setup's registry accessor does.
#pragma once

#include <string>

#include "platform/registry.h"

namespace setup {

// The value `name` of `key` as text: a REG_SZ or REG_EXPAND_SZ value up to its first zero
// byte, environment references left unexpanded. A missing value, or one that holds no data,
// gives the empty text; a value that cannot be read raises the input/output error of that
// failure. Data of any other type raises SetupError("Invalid data type for '<name>'").
std::string ReadRegistryString(const plat::RegKey& key, const std::string& name);

}  // namespace setup
