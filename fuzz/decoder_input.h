// Sets up a decoding state for one fuzz input the way ExtractMember does, with the
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
      : work_(std::make_unique<std::uint8_t[]>(unzip::kWorkAreaSize)),
        state_(std::make_unique<unzip::DecodeState>()) {
    unzip::DecodeState& d = *state_;
    d.window = work_.get();
    d.sink = [this](const std::uint8_t*, std::size_t n) {
      written_ += n;
      return true;
    };
    std::memcpy(d.inBuffer, data, size);
    d.inEnd = d.inBuffer + size;
    d.compressedSize = compressedSize;
    d.uncompressedSize = uncompressedSize;
    d.bytesRead = static_cast<std::int64_t>(size);
    d.generalFlags = flags;
  }
  DecoderInput(const DecoderInput&) = delete;
  DecoderInput& operator=(const DecoderInput&) = delete;
  unzip::DecodeState& state() { return *state_; }
  std::size_t written() const { return written_; }

 private:
  std::unique_ptr<std::uint8_t[]> work_;
  std::unique_ptr<unzip::DecodeState> state_;
  std::size_t written_ = 0;
};

inline bool ValidResult(std::int32_t r, std::initializer_list<std::int32_t> allowed) {
  for (std::int32_t a : allowed) {
    if (r == a) return true;
  }
  return false;
}

}  // namespace fuzz
