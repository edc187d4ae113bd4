// Stand-in for the self-removal routine until uninstall/remove_self.h exists: it fails loudly
// rather than leave LWTEMP and the self-removal batch silently undone.
#pragma once

#include <string>

namespace setup {

void RemoveSelfPending(const std::string& folder);

}  // namespace setup
