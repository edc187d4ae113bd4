// The free functions of the service headers, each a call through the table in force.
#include "platform/services.h"

namespace plat {

Services& services() {
  static Services table = NativeServices();
  return table;
}

#define PLAT_FORWARD(field, Function, Return, Parameters, Arguments) \
  Return Function Parameters { return services().field Arguments; }
PLAT_SERVICES(PLAT_FORWARD)
#undef PLAT_FORWARD

}  // namespace plat
