// Unshrink on arbitrary member data. Byte 0 selects the compressed size the decoder is told:
// the data's length (even), or 2147483647 for deferred sizes (0xFF). The rest is the data.
// Inputs longer than 8 KB are skipped: a shrunk stream can legitimately expand quadratically.
#include <cstdio>
#include <cstdlib>

#include "fuzz/decoder_input.h"
#include "unzip/legacy.h"
#include "unzip/ziptypes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 8193) return 0;
  const std::int32_t compressed =
      data[0] == 0xFF ? 2147483647 : static_cast<std::int32_t>(size - 1) + (data[0] & 1);
  fuzz::DecoderInput input(data + 1, size - 1, compressed, 0, 0);
  const std::int32_t r = unzip::Unshrink(input.state());
  if (!fuzz::ValidResult(r, {unzip::kUnzipOk, unzip::kReadError, unzip::kStructureError,
                             unzip::kUnsupportedMethod})) {
    std::fprintf(stderr, "Unshrink gave %d\n", r);
    std::abort();
  }
  return 0;
}
