// Shell links of the POSIX body. The .lnk writer is not built yet: every call reports that,
// through the error the caller raises, instead of pretending a link was saved.
#include "platform/posix/body.h"

namespace plat::posix {

ShellLinkOutcome SaveShellLink(const std::string&, const std::string&, const std::string&) {
  return ShellLinkOutcome{"shell links are not built yet", false};
}

}  // namespace plat::posix
