// The uninstall run's own cases: the answer No, an empty or a dangerous recorded home.
#include <gtest/gtest.h>

#include "runs_support.h"

namespace setup::testing {
namespace {}  // namespace
}  // namespace setup::testing
