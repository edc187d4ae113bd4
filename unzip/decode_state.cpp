// The shared decoding state's input refill and output path.
#include "unzip/decode_state.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"

namespace unzip {

void ResetInput(DecodeState& d) {
  if (d.archive != plat::kNoHandle) d.inEnd = d.inPos;
  d.bitBuffer = 0;
  d.bitCount = 0;
}

namespace {

// Moves the bytes from inPos on to the front of the buffer and reads on behind them.
bool FillBuffer(DecodeState& d) {
  std::uint8_t* const buffer = d.inBuffer;
  const std::size_t kept = static_cast<std::size_t>(d.bufferEnd - d.inPos);
  const std::size_t viewed = static_cast<std::size_t>(d.inEnd - d.inPos);
  d.bufferStart += d.inPos - buffer;
  if (kept != 0 && d.inPos != buffer) std::memmove(buffer, d.inPos, kept);
  d.inPos = buffer;
  d.inEnd = buffer + viewed;
  d.bufferEnd = buffer + kept;
  const std::int64_t at = d.bufferStart + static_cast<std::int64_t>(kept);
  if (d.filePosition != at) {
    d.filePosition = -1;
    if (!plat::SeekFile(d.archive, at, plat::SeekOrigin::kBegin).ok()) return false;
    d.filePosition = at;
  }
  auto got = plat::ReadFile(d.archive, buffer + kept, kInputBufferSize - kept);
  if (!got.ok()) {
    d.filePosition = -1;
    return false;
  }
  d.filePosition += static_cast<std::int64_t>(got.value());
  d.bufferEnd += got.value();
  return got.value() != 0;
}

}  // namespace

std::size_t RefillInput(DecodeState& d) {
  if (d.archive == plat::kNoHandle || d.inputLeft <= 0) {
    d.endOfInput = true;
    d.inputLeft = 0;
    return 0;
  }
  // The buffer's tail may hold only a few bytes of the member while the archive has more:
  // read on first, so that a refill hands out as much as a decoder's bit buffer takes and a
  // short hand-out always means the member's data ended.
  const std::int64_t buffered = d.bufferEnd - d.inEnd;
  if (buffered < kRefillMinimum && buffered < d.inputLeft) FillBuffer(d);
  if (d.inEnd == d.bufferEnd) {
    d.endOfInput = true;
    d.inputLeft = 0;
    return 0;
  }
  const std::size_t take =
      static_cast<std::size_t>(std::min<std::int64_t>(d.bufferEnd - d.inEnd, d.inputLeft));
  d.inEnd += take;
  d.inputLeft -= static_cast<std::int64_t>(take);
  d.bytesRead += static_cast<std::int64_t>(take);
  return take;
}

void ForgetInput(DecodeState& d) {
  d.inPos = d.inEnd = d.bufferEnd = d.inBuffer;
  d.bufferStart = 0;
  d.filePosition = -1;
}

void SeekInput(DecodeState& d, std::int64_t offset) {
  if (offset >= d.bufferStart && offset <= d.bufferStart + (d.bufferEnd - d.inBuffer)) {
    d.inPos = d.inBuffer + (offset - d.bufferStart);
  } else {
    d.bufferStart = offset;
    d.inPos = d.bufferEnd = d.inBuffer;
  }
  d.inEnd = d.inPos;
}

bool ReadInput(DecodeState& d, std::uint8_t* out, std::size_t size) {
  d.inEnd = d.inPos;
  while (size != 0) {
    if (d.inPos == d.bufferEnd && !FillBuffer(d)) return false;
    const std::size_t n = std::min(size, static_cast<std::size_t>(d.bufferEnd - d.inPos));
    std::memcpy(out, d.inPos, n);
    out += n;
    size -= n;
    d.inPos += n;
    d.inEnd = d.inPos;
  }
  return true;
}

bool WriteOutput(DecodeState& d, const std::uint8_t* data, std::size_t size) {
  if (!d.sink || !d.sink(data, size)) return false;
  d.crc = UpdateCrc32(d.crc, data, size);
  if (d.report && d.record != nullptr) {
    d.record->Status = kReportWrite;
    d.report(static_cast<std::int32_t>(size), d.record);
  }
  return true;
}

}  // namespace unzip
