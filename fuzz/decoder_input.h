// Sets up the shared decoding state for one fuzz input the way ExtractMember does, with the
// input in memory and output counted and dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "unzip/decode_state.h"

namespace fuzz {

class DecoderInput {
 public:
  DecoderInput(const std::uint8_t* data, std::size_t size, std::int32_t compressedSize,
               std::int32_t uncompressedSize, std::uint16_t flags)
      : work_(std::make_unique<std::uint8_t[]>(unzip::kWorkAreaSize)) {
    unzip::DecodeState& d = unzip::gDecode;
    d.window = work_.get();
    d.w = 0;
    d.sink = [this](const std::uint8_t*, std::size_t n) {
      written_ += n;
      return true;
    };
    d.crc = 0xFFFFFFFFu;
    std::memcpy(d.inBuffer, data, size);
    d.inPos = d.inBuffer;
    d.inEnd = d.inBuffer + size;
    d.archive = plat::kNoHandle;
    d.inputLeft = 0;
    d.bitBuffer = 0;
    d.bitCount = 0;
    d.compressedSize = compressedSize;
    d.uncompressedSize = uncompressedSize;
    d.bytesRead = static_cast<std::int64_t>(size);
    d.generalFlags = flags;
    d.endOfInput = false;
    d.abort = false;
    d.report = nullptr;
    d.record = nullptr;
  }
  DecoderInput(const DecoderInput&) = delete;
  DecoderInput& operator=(const DecoderInput&) = delete;
  ~DecoderInput() {
    unzip::gDecode.window = nullptr;
    unzip::gDecode.sink = nullptr;
  }
  std::size_t written() const { return written_; }

 private:
  std::unique_ptr<std::uint8_t[]> work_;
  std::size_t written_ = 0;
};

inline bool ValidResult(std::int32_t r, std::initializer_list<std::int32_t> allowed) {
  for (std::int32_t a : allowed) {
    if (r == a) return true;
  }
  return false;
}

}  // namespace fuzz
