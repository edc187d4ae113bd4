// The deflate decoder (RFC 1951) of compression method 8.
#pragma once

#include <cstddef>
#include <cstdint>

#include "unzip/decode_state.h"

namespace unzip {

// Decodes the member set up in `d`, writing its output in pieces of kWindowSize bytes
// (and a last shorter one) through WriteOutput. On success the bit reader is left just after
// the final block. Result 0, kBadHuffmanHeader, kWriteError, kReadError, kStructureError or
// kAborted.
std::int32_t Inflate(DecodeState& d);

// Decodes a raw deflate stream held in memory with the same decoder, giving each output piece
// to `sink`, in a decoding state of its own; no report procedure is called.
std::int32_t InflateBuffer(const std::uint8_t* data, std::size_t size, const OutputSink& sink);

}  // namespace unzip
