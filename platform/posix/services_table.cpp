// The service table of the POSIX body.
#include "platform/posix/body.h"
#include "platform/services.h"

namespace plat {

namespace posix {
constexpr Services kTable{PLAT_SERVICES(PLAT_ENTRY)};
}  // namespace posix

const Services& NativeServices() { return posix::kTable; }

}  // namespace plat
