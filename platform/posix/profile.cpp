// Private-profile INI files of the POSIX body.
#include <cstdio>
#include <cstdlib>

#include "platform/posix/body.h"

namespace plat::posix {

std::string ProfileGetString(const std::string&, const std::string&, const std::string&,
                             const std::string&) {
  std::fputs("ProfileGetString: profile INI files are not built yet\n", stderr);
  std::abort();
}

std::uint32_t ProfileWriteString(const std::string&, const std::optional<std::string>&,
                                 const std::optional<std::string>&, const std::string&) {
  std::fputs("ProfileWriteString: profile INI files are not built yet\n", stderr);
  std::abort();
}

}  // namespace plat::posix
