// The Win32 body's table of platform services.
#include "platform/win32/win.h"

namespace plat {

namespace win32 {
constexpr Services kTable{PLAT_SERVICES(PLAT_ENTRY)};
}  // namespace win32

const Services& NativeServices() { return win32::kTable; }

}  // namespace plat
