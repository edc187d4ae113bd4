// Runs one legacy decoder on compressed data held in memory: the decoding state is set up
// the way ExtractMember sets it up, with the whole input already in the input buffer and no
// archive behind it, so the end of the data is the end of the input.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace legacy_test {

struct DecodeRun {
  std::int32_t result = 0;
  std::vector<std::uint8_t> output;
  std::vector<std::size_t> writes;  // size of each write, in order
  std::uint32_t crc = 0;            // CRC-32 of what was written (complemented)
};

enum class Method { kShrink, kImplode };

// What the output does with each write: accepts it, fails it, or accepts it and then sets
// the abort flag (as a report procedure could).
enum class Writes { kAccept, kFail, kAbortAfterFirst };

// `compressedSize` < 0 means data.size(). At most 32768 bytes of data. The work area is
// filled with `windowFill` (ExtractMember clears it), so that a decoder that reads history it
// has not written shows it.
DecodeRun RunDecoder(Method method, std::uint16_t flags, std::span<const std::uint8_t> data,
                     std::int32_t uncompressedSize, std::int32_t compressedSize = -1,
                     Writes writes = Writes::kAccept, std::uint8_t windowFill = 0);

}  // namespace legacy_test
