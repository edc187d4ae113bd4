// Decoders of the legacy compression methods: shrink (method 1) and implode (method 6).
// Both decode the member set up in `d` and write through WriteOutput / FlushWindow.
#pragma once

#include <cstdint>

#include "unzip/decode_state.h"

namespace unzip {

// Method 1. Result 0, kWriteError, kStructureError, kAborted or kUnsupportedMethod.
std::int32_t Unshrink(DecodeState& d);

// Method 6. Result 0, kWriteError, kReadError, kStructureError or kAborted.
std::int32_t Explode(DecodeState& d);

}  // namespace unzip
