#include "tests/legacy/legacy_harness.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "unzip/decode_state.h"
#include "unzip/legacy.h"

namespace legacy_test {

DecodeRun RunDecoder(Method method, std::uint16_t flags, std::span<const std::uint8_t> data,
                     std::int32_t uncompressedSize, std::int32_t compressedSize, Writes writes,
                     std::uint8_t windowFill) {
  using namespace unzip;
  if (data.size() > kInputBufferSize) throw std::length_error("input longer than the buffer");
  DecodeRun run;
  auto work = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
  std::memset(work.get(), windowFill, kWorkAreaSize);
  auto state = std::make_unique<DecodeState>();
  DecodeState& d = *state;
  d.window = work.get();
  d.sink = [&run, &d, writes](const std::uint8_t* p, std::size_t n) {
    if (writes == Writes::kFail) return false;
    run.output.insert(run.output.end(), p, p + n);
    run.writes.push_back(n);
    if (writes == Writes::kAbortAfterFirst) d.abort = true;
    return true;
  };
  if (!data.empty()) std::memcpy(d.inBuffer, data.data(), data.size());
  d.inEnd = d.inBuffer + data.size();
  d.compressedSize = compressedSize < 0 ? static_cast<std::int32_t>(data.size()) : compressedSize;
  d.uncompressedSize = uncompressedSize;
  d.bytesRead = static_cast<std::int64_t>(data.size());
  d.generalFlags = flags;

  run.result = method == Method::kShrink ? Unshrink(d) : Explode(d);
  run.crc = ~d.crc;
  return run;
}

}  // namespace legacy_test
