// What only the utilities tests share: the service table with selected entries replaced.
#pragma once

#include <optional>

#include "platform/services.h"
#include "test_support.h"

namespace setup::testing {

// The table in force with selected entries replaced; restores it when it goes.
class Injection {
 public:
  Injection() : table_(plat::services()) {}
  plat::Services& table() { return table_; }
  void Apply() { scoped_.emplace(table_); }

 private:
  plat::Services table_;
  std::optional<plat::ScopedServices> scoped_;
};

}  // namespace setup::testing
