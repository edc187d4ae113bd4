// COM for the life of the program, on the thread that creates the ComInit.
#include "platform/com.h"

#include <windows.h>
// <windows.h> first: the COM headers rely on it.
#include <objbase.h>

namespace plat {

// S_OK and S_FALSE both take a reference that CoUninitialize must drop; a failure (another
// threading model already chosen) takes none.
ComInit::ComInit() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}

ComInit::~ComInit() {
  if (initialised_) CoUninitialize();
}

}  // namespace plat
