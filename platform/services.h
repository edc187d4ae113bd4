// The one table through which every platform service is called. Each body (win32/, posix/)
// fills it once in NativeServices(); the free functions of the service headers call through
// services(). Tests replace entries to make any service fail, with ScopedServices restoring
// the table afterwards.
#pragma once

#include "platform/service_list.h"

namespace plat {

struct Services {
#define PLAT_FIELD(field, Function, Return, Parameters, Arguments) Return(*field) Parameters;
  PLAT_SERVICES(PLAT_FIELD)
#undef PLAT_FIELD
};

// The table of the body this program was built with; defined by that body.
const Services& NativeServices();

// The table in force; starts as NativeServices().
Services& services();

// Replaces the table for its lifetime (tests only), restoring the previous one after.
class ScopedServices {
 public:
  explicit ScopedServices(const Services& replacement) : saved_(services()) {
    services() = replacement;
  }
  ScopedServices(const ScopedServices&) = delete;
  ScopedServices& operator=(const ScopedServices&) = delete;
  ~ScopedServices() { services() = saved_; }

 private:
  Services saved_;
};

}  // namespace plat
