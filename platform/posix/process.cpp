// Process services of the POSIX body.
#include <cstdio>
#include <cstdlib>

#include "platform/posix/body.h"

namespace plat::posix {

MutexResult CreateNamedMutex(const std::string&) {
  std::fputs("CreateNamedMutex: not built yet\n", stderr);
  std::abort();
}

void CloseMutex(Handle) {
  std::fputs("CloseMutex: not built yet\n", stderr);
  std::abort();
}

std::uint32_t StartHidden(const std::string&) {
  std::fputs("StartHidden: not built yet\n", stderr);
  std::abort();
}

}  // namespace plat::posix
