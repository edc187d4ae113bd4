// Inflate on arbitrary raw deflate data, read where the fuzzer holds it so that a read past
// its end is caught, checked against zlib: a stream that zlib decodes to the end of its final
// block decodes to the same bytes here. (Here a back-reference before the first byte copies
// zeros, so some streams that zlib refuses decode.)
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/decoder_input.h"
#include "unzip/inflate.h"
#include "unzip/ziptypes.h"

namespace {

// Output is capped: 4 KB of input may otherwise expand to about 4 MB.
constexpr std::size_t kMaxOutput = 1u << 20;

void Fail(const char* what, std::int32_t r) {
  std::fprintf(stderr, "%s (Inflate gave %d)\n", what, r);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> ours;
  const std::int32_t r =
      unzip::InflateBuffer(data, size, [&ours](const std::uint8_t* p, std::size_t n) {
        if (ours.size() + n > kMaxOutput) return false;
        ours.insert(ours.end(), p, p + n);
        return true;
      });
  if (!fuzz::ValidResult(r, {unzip::kUnzipOk, unzip::kBadHuffmanHeader, unzip::kWriteError,
                             unzip::kReadError, unzip::kStructureError})) {
    Fail("unexpected result", r);
  }
  if (r == unzip::kWriteError) return 0;

  std::vector<std::uint8_t> theirs(kMaxOutput);
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return 0;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = theirs.data();
  z.avail_out = static_cast<uInt>(theirs.size());
  const int zr = inflate(&z, Z_FINISH);
  theirs.resize(z.total_out);
  inflateEnd(&z);
  if (zr == Z_STREAM_END && (r != unzip::kUnzipOk || ours != theirs)) {
    Fail("zlib decodes the stream to other bytes", r);
  }
  return 0;
}
