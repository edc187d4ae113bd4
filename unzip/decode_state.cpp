// The shared decoding state's input refill and output path.
#include "unzip/decode_state.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"

namespace unzip {

DecodeState gDecode;

void ResetInput() {
  DecodeState& d = gDecode;
  if (d.archive != plat::kNoHandle) {
    d.inPos = d.inBuffer;
    d.inEnd = d.inBuffer;
  }
  d.bitBuffer = 0;
  d.bitCount = 0;
}

std::size_t RefillInput() {
  DecodeState& d = gDecode;
  if (d.archive == plat::kNoHandle || d.inputLeft <= 0) {
    d.endOfInput = true;
    return 0;
  }
  const std::size_t kept = static_cast<std::size_t>(d.inEnd - d.inPos);
  if (kept != 0 && d.inPos != d.inBuffer) std::memmove(d.inBuffer, d.inPos, kept);
  d.inPos = d.inBuffer;
  d.inEnd = d.inBuffer + kept;
  const std::size_t room = kInputBufferSize - kept;
  const std::size_t want = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(room), d.inputLeft));
  if (want == 0) return 0;
  auto got = plat::ReadFile(d.archive, d.inBuffer + kept, want);
  if (!got.ok() || got.value == 0) {
    d.endOfInput = true;
    d.inputLeft = 0;
    return 0;
  }
  d.inEnd += got.value;
  d.inputLeft -= static_cast<std::int64_t>(got.value);
  d.bytesRead += static_cast<std::int64_t>(got.value);
  return got.value;
}

bool WriteOutput(const std::uint8_t* data, std::size_t size) {
  DecodeState& d = gDecode;
  if (!d.sink || !d.sink(data, size)) return false;
  d.crc = UpdateCrc32(d.crc, data, size);
  if (d.report != nullptr && d.record != nullptr) {
    d.record->Status = kReportWrite;
    d.report(static_cast<std::int32_t>(size), d.record);
  }
  return true;
}

}  // namespace unzip
