// Method 6 (implode): a sliding dictionary of 4 KB or 8 KB whose literals, lengths and
// distances are coded with Shannon-Fano trees stored at the start of the member's data.
// General purpose flag bit 1 selects the 8 KB dictionary, bit 2 the literal tree.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "unzip/decode_state.h"
#include "unzip/legacy.h"
#include "unzip/ziptypes.h"

namespace unzip {
namespace {

constexpr std::uint16_t kFlagBigDictionary = 0x02;
constexpr std::uint16_t kFlagLiteralTree = 0x04;
constexpr unsigned kLiteralSymbols = 256;
constexpr unsigned kTreeSymbols = 64;
// Above this compressed size the distance tree is looked up 8 bits at a time instead of 7.
constexpr std::int32_t kWideDistanceSize = 200000;
constexpr int kReadTreeFailed = 4;

template <int kBase, int kStep>
constexpr std::array<std::uint16_t, kTreeSymbols> Bases() {
  std::array<std::uint16_t, kTreeSymbols> b{};
  for (unsigned i = 0; i < kTreeSymbols; ++i) b[i] = static_cast<std::uint16_t>(kBase + kStep * i);
  return b;
}

constexpr auto kLengthBase3 = Bases<3, 1>();      // with a literal tree
constexpr auto kLengthBase2 = Bases<2, 1>();      // without one
constexpr auto kDistanceBase8 = Bases<1, 128>();  // 8 KB dictionary
constexpr auto kDistanceBase4 = Bases<1, 64>();   // 4 KB dictionary
// Extra bits of the length symbols: only the last one takes 8 more bits. The distance trees
// share the table; their extra bits are never read.
constexpr std::array<std::uint16_t, kTreeSymbols> kExtraBits = [] {
  std::array<std::uint16_t, kTreeSymbols> e{};
  e[kTreeSymbols - 1] = 8;
  return e;
}();

// Reads a stored tree: a byte with the number of following bytes minus one, then per byte a
// run of (high nibble + 1) codes of length (low nibble + 1). 0, or 4 when the runs do not
// describe exactly `count` lengths.
int ReadTree(DecodeState& d, std::uint16_t* lengths, unsigned count) {
  unsigned bytes = ReadByte(d) + 1u;
  unsigned filled = 0;
  while (bytes-- != 0) {
    const unsigned run = ReadByte(d);
    const unsigned repeat = (run >> 4) + 1;
    const auto length = static_cast<std::uint16_t>((run & 0x0F) + 1);
    if (filled + repeat > count) return kReadTreeFailed;
    std::fill_n(lengths + filled, repeat, length);
    filled += repeat;
  }
  return filled == count ? 0 : kReadTreeFailed;
}

// Reads a tree and builds its table; false unless the code is complete.
bool BuildTree(DecodeState& d, unsigned count, unsigned selfSymbols, const std::uint16_t* base,
               HuffTablePtr& table, int& width) {
  std::uint16_t lengths[kLiteralSymbols];
  if (ReadTree(d, lengths, count) != 0) return false;
  HuffEntry* built = nullptr;
  const int result = BuildHuffTable(lengths, count, selfSymbols, base,
                                    base != nullptr ? kExtraBits.data() : nullptr, &built, &width);
  table.reset(built);
  return result == kHuffComplete && built != nullptr;
}

inline std::uint32_t Mask(unsigned bits) { return (std::uint32_t{1} << bits) - 1; }

// Decodes one symbol. The trees' codes are stored inverted, so the complement of the input
// bits is the index. Null for an invalid code.
const HuffEntry* Decode(DecodeState& d, const HuffEntry* table, unsigned width) {
  NeedBits(d, width);
  const HuffEntry* e = table + (~PeekBits(d, width) & Mask(width));
  while (e->Op > kOpLiteral) {
    if (e->Op == kOpInvalid) return nullptr;
    DumpBits(d, e->Bits);
    const unsigned k = e->Op - 16u;
    NeedBits(d, k);
    e = e->Next + (~PeekBits(d, k) & Mask(k));
  }
  DumpBits(d, e->Bits);
  return e;
}

inline std::uint32_t TakeBits(DecodeState& d, unsigned n) {
  NeedBits(d, n);
  const std::uint32_t v = PeekBits(d, n);
  DumpBits(d, n);
  return v;
}

}  // namespace

std::int32_t Explode(DecodeState& d) {
  ResetInput(d);
  const bool literalTree = (d.generalFlags & kFlagLiteralTree) != 0;
  const bool bigDictionary = (d.generalFlags & kFlagBigDictionary) != 0;

  int literalWidth = 9;
  int lengthWidth = 7;
  int distanceWidth = d.compressedSize > kWideDistanceSize ? 8 : 7;
  HuffTablePtr literals;
  HuffTablePtr lengths;
  HuffTablePtr distances;
  if (literalTree &&
      !BuildTree(d, kLiteralSymbols, kLiteralSymbols, nullptr, literals, literalWidth)) {
    return kStructureError;
  }
  if (!BuildTree(d, kTreeSymbols, 0, literalTree ? kLengthBase3.data() : kLengthBase2.data(),
                 lengths, lengthWidth) ||
      !BuildTree(d, kTreeSymbols, 0, bigDictionary ? kDistanceBase8.data() : kDistanceBase4.data(),
                 distances, distanceWidth)) {
    return kStructureError;
  }
  const unsigned lowDistanceBits = bigDictionary ? 7 : 6;

  d.bitBuffer = 0;
  d.bitCount = 0;
  std::uint8_t* const window = d.window;
  std::uint32_t w = 0;
  std::int64_t left = d.uncompressedSize;
  // Until the window first wraps, a match that reaches before the start of the output
  // yields zero bytes.
  bool firstPass = true;

  while (left > 0 && !d.abort && !d.endOfInput) {
    if (TakeBits(d, 1) != 0) {
      std::uint8_t byte;
      if (literals) {
        const HuffEntry* e = Decode(d, literals.get(), static_cast<unsigned>(literalWidth));
        if (e == nullptr) return kStructureError;
        byte = static_cast<std::uint8_t>(e->Value);
      } else {
        byte = static_cast<std::uint8_t>(TakeBits(d, 8));
      }
      window[w++] = byte;
      --left;
      if (w == kWindowSize) {
        if (!FlushWindow(d, w)) return kWriteError;
        w = 0;
        firstPass = false;
      }
      continue;
    }

    const std::uint32_t low = TakeBits(d, lowDistanceBits);
    const HuffEntry* e = Decode(d, distances.get(), static_cast<unsigned>(distanceWidth));
    if (e == nullptr) return kStructureError;
    const std::uint32_t distance = low + e->Value;
    e = Decode(d, lengths.get(), static_cast<unsigned>(lengthWidth));
    if (e == nullptr) return kStructureError;
    std::uint32_t length = e->Value;
    if (e->Op != 0) length += TakeBits(d, 8);
    left -= length;

    std::uint32_t s = (w - distance) & (kWindowSize - 1);
    while (length != 0) {
      const std::uint32_t piece = std::min<std::uint32_t>(length, kWindowSize - std::max(s, w));
      if (firstPass && s >= w) {
        std::memset(window + w, 0, piece);
      } else if (static_cast<std::int64_t>(w) - s >= piece) {
        std::memcpy(window + w, window + s, piece);
      } else {
        for (std::uint32_t i = 0; i < piece; ++i) window[w + i] = window[s + i];
      }
      w += piece;
      s = (s + piece) & (kWindowSize - 1);
      length -= piece;
      if (w == kWindowSize) {
        if (!FlushWindow(d, w)) return kWriteError;
        w = 0;
        firstPass = false;
      }
    }
  }

  if (d.abort) return kAborted;
  if (!FlushWindow(d, w)) return kWriteError;
  return d.endOfInput ? kReadError : kUnzipOk;
}

}  // namespace unzip
