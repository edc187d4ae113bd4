// Explode on arbitrary member data. Byte 0: general purpose flags (bits 1 and 2) and, in bit
// 7, a compressed size above 200000 bytes; bytes 1 and 2: the uncompressed size (up to
// 65535 x 16 bytes). The rest is the data.
#include <cstdio>
#include <cstdlib>

#include "fuzz/decoder_input.h"
#include "unzip/legacy.h"
#include "unzip/ziptypes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || size - 3 > unzip::kInputBufferSize) return 0;
  const auto flags = static_cast<std::uint16_t>(data[0] & 0x06);
  const std::int32_t compressed =
      (data[0] & 0x80) != 0 ? 300000 : static_cast<std::int32_t>(size - 3);
  const std::int32_t uncompressed = (data[1] | data[2] << 8) * 16;
  fuzz::DecoderInput input(data + 3, size - 3, compressed, uncompressed, flags);
  const std::int32_t r = unzip::Explode(input.state());
  if (!fuzz::ValidResult(r, {unzip::kUnzipOk, unzip::kReadError, unzip::kStructureError})) {
    std::fprintf(stderr, "Explode gave %d\n", r);
    std::abort();
  }
  return 0;
}
