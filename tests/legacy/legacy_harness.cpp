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
  DecodeState& d = gDecode;
  d.window = work.get();
  d.w = 0;
  d.sink = [&run, writes](const std::uint8_t* p, std::size_t n) {
    if (writes == Writes::kFail) return false;
    run.output.insert(run.output.end(), p, p + n);
    run.writes.push_back(n);
    if (writes == Writes::kAbortAfterFirst) gDecode.abort = true;
    return true;
  };
  d.crc = 0xFFFFFFFFu;
  if (!data.empty()) std::memcpy(d.inBuffer, data.data(), data.size());
  d.inPos = d.inBuffer;
  d.inEnd = d.inBuffer + data.size();
  d.archive = plat::kNoHandle;
  d.inputLeft = 0;
  d.bitBuffer = 0;
  d.bitCount = 0;
  d.compressedSize = compressedSize < 0 ? static_cast<std::int32_t>(data.size()) : compressedSize;
  d.uncompressedSize = uncompressedSize;
  d.bytesRead = static_cast<std::int64_t>(data.size());
  d.generalFlags = flags;
  d.endOfInput = false;
  d.abort = false;
  d.report = nullptr;
  d.record = nullptr;

  run.result = method == Method::kShrink ? Unshrink() : Explode();
  run.crc = ~d.crc;
  d.window = nullptr;
  d.sink = nullptr;
  return run;
}

}  // namespace legacy_test
