// COM does not exist on POSIX: the shell link writer needs no initialisation.
#include "platform/com.h"

namespace plat {

ComInit::ComInit() = default;
ComInit::~ComInit() = default;

}  // namespace plat
