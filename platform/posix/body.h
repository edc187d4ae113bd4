// The functions of the POSIX body that NativeServices() puts into the service table.
#pragma once

#include "platform/service_list.h"

namespace plat::posix {

PLAT_SERVICES(PLAT_DECLARE)

// Called by the batch interpreter, a fork of the program that started it which stands for
// the command interpreter: its own image then no longer counts as a running program's.
void DisownImage();

}  // namespace plat::posix
