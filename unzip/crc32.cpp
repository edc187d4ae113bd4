// CRC-32 (reflected polynomial 0xEDB88320). On x86 processors with carry-less multiplication
// the data is folded 64 bytes at a time (Intel's "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ"), or 256 bytes at a time where 512-bit carry-less
// multiplication is at hand; otherwise, and for the tail, eight bytes per step with eight
// derived tables ("slicing by 8"). Both equal the byte-at-a-time table method.
#include <array>
#include <cstring>

#include "unzip/decode_state.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define UNZIP_CRC_FOLDING 1
// MinGW's GCC does not align the stack for 512-bit spills, so Windows builds fold 128 bits
// at a time.
#ifndef _WIN32
#define UNZIP_CRC_WIDE_FOLDING 1
#endif
#endif

namespace unzip {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (int k = 1; k < 8; ++k) t[k][i] = t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8);
  }
  return t;
}

constexpr Tables kTables = MakeTables();

inline std::uint32_t Load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

#ifdef UNZIP_CRC_FOLDING
#define UNZIP_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

UNZIP_FOLD_TARGET inline __m128i Load128(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// acc x k (both halves) plus the next block.
UNZIP_FOLD_TARGET inline __m128i Fold128(__m128i acc, __m128i k, __m128i next) {
  const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
  const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(hi, next), lo);
}

// The bit-reflected constants for folding a 128-bit lane forward by n bits: x^(n+32) mod P
// and x^(n-32) mod P, each shifted left by one (low and high 64 bits of the lane).
constexpr std::uint64_t kFold128[] = {0x01751997d0, 0x00ccaa009e};
constexpr std::uint64_t kFold512[] = {0x0154442bd4, 0x01c6e41596};
constexpr std::uint64_t kFold2048[] = {0x011542778a, 0x01322d1430};

UNZIP_FOLD_TARGET inline __m128i Constants(const std::uint64_t (&k)[2]) {
  return _mm_set_epi64x(static_cast<long long>(k[1]), static_cast<long long>(k[0]));
}

// Folds the 128-bit remainder `x1` with the following `size` bytes (a multiple of 16) and
// reduces it to the 32-bit register.
UNZIP_FOLD_TARGET std::uint32_t Reduce(__m128i x1, const std::uint8_t* buf, std::size_t size) {
  // x^64 mod P (k5), and P with its Barrett constant.
  alignas(16) static const std::uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
  alignas(16) static const std::uint64_t poly[] = {0x01db710641, 0x01f7011641};
  __m128i x0 = Constants(kFold128);
  while (size >= 16) {
    x1 = Fold128(x1, x0, Load128(buf));
    buf += 16;
    size -= 16;
  }
  // 128 bits to 64, then Barrett reduction to 32.
  __m128i x2 = _mm_clmulepi64_si128(x1, x0, 0x10);
  const __m128i x3 = _mm_setr_epi32(~0, 0, ~0, 0);
  x1 = _mm_srli_si128(x1, 8);
  x1 = _mm_xor_si128(x1, x2);
  x0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_and_si128(x1, x3);
  x1 = _mm_clmulepi64_si128(x1, x0, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
  x2 = _mm_and_si128(x1, x3);
  x2 = _mm_clmulepi64_si128(x2, x0, 0x10);
  x2 = _mm_and_si128(x2, x3);
  x2 = _mm_clmulepi64_si128(x2, x0, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

// Folds four 128-bit lanes, 16 bytes apart, into one.
UNZIP_FOLD_TARGET __m128i CombineLanes(const __m128i (&x)[4]) {
  const __m128i k = Constants(kFold128);
  __m128i r = x[0];
  for (int i = 1; i < 4; ++i) r = Fold128(r, k, x[i]);
  return r;
}

// Folds `size` bytes (a multiple of 16, at least 64) into the register `crc`, four 128-bit
// lanes at a time.
UNZIP_FOLD_TARGET std::uint32_t Fold(std::uint32_t crc, const std::uint8_t* buf, std::size_t size) {
  __m128i x[4];
  for (int i = 0; i < 4; ++i) x[i] = Load128(buf + 16 * i);
  x[0] = _mm_xor_si128(x[0], _mm_cvtsi32_si128(static_cast<int>(crc)));
  const __m128i k = Constants(kFold512);
  for (buf += 64, size -= 64; size >= 64; buf += 64, size -= 64) {
    for (int i = 0; i < 4; ++i) x[i] = Fold128(x[i], k, Load128(buf + 16 * i));
  }
  return Reduce(CombineLanes(x), buf, size);
}

#ifdef UNZIP_CRC_WIDE_FOLDING
// The same with 512-bit carry-less multiplication: four 512-bit accumulators, each of four
// 128-bit lanes, 256 bytes per step.
#define UNZIP_FOLD512_TARGET __attribute__((target("pclmul,sse4.1,avx512f,vpclmulqdq")))

UNZIP_FOLD512_TARGET inline __m512i Fold512(__m512i acc, __m512i k, __m512i next) {
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(acc, k, 0x00),
                                   _mm512_clmulepi64_epi128(acc, k, 0x11), next, 0x96);
}

UNZIP_FOLD512_TARGET inline __m512i Broadcast(const std::uint64_t (&k)[2]) {
  const auto lo = static_cast<long long>(k[0]);
  const auto hi = static_cast<long long>(k[1]);
  return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

UNZIP_FOLD512_TARGET inline __m512i Load512(const std::uint8_t* p) { return _mm512_loadu_si512(p); }

// Folds `size` bytes (a multiple of 16, at least 256) into the register `crc`.
UNZIP_FOLD512_TARGET std::uint32_t FoldWide(std::uint32_t crc, const std::uint8_t* buf,
                                            std::size_t size) {
  __m512i x[4];
  for (int i = 0; i < 4; ++i) x[i] = Load512(buf + 64 * i);
  x[0] = _mm512_xor_si512(x[0], _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
  __m512i k = Broadcast(kFold2048);
  for (buf += 256, size -= 256; size >= 256; buf += 256, size -= 256) {
    for (int i = 0; i < 4; ++i) x[i] = Fold512(x[i], k, Load512(buf + 64 * i));
  }
  // The four accumulators into one, then the remaining 64-byte blocks, then its lanes.
  k = Broadcast(kFold512);
  for (int i = 1; i < 4; ++i) x[0] = Fold512(x[0], k, x[i]);
  for (; size >= 64; buf += 64, size -= 64) x[0] = Fold512(x[0], k, Load512(buf));
  alignas(64) std::uint8_t bytes[64];
  _mm512_store_si512(bytes, x[0]);
  __m128i lanes[4];
  for (int i = 0; i < 4; ++i) lanes[i] = Load128(bytes + 16 * i);
  return Reduce(CombineLanes(lanes), buf, size);
}

bool HaveWideFolding() {
  static const bool have = __builtin_cpu_supports("avx512f") &&
                           __builtin_cpu_supports("vpclmulqdq") &&
                           __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return have;
}
#endif

bool HaveFolding() {
  static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return have;
}
#endif

}  // namespace

std::uint32_t UpdateCrc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
#ifdef UNZIP_CRC_WIDE_FOLDING
  if (size >= 256 && HaveWideFolding()) {
    const std::size_t chunk = size & ~std::size_t{15};
    crc = FoldWide(crc, data, chunk);
    data += chunk;
    size -= chunk;
  }
#endif
#ifdef UNZIP_CRC_FOLDING
  if (size >= 64 && HaveFolding()) {
    const std::size_t chunk = size & ~std::size_t{15};
    crc = Fold(crc, data, chunk);
    data += chunk;
    size -= chunk;
  }
#endif
  const auto& t = kTables;
  while (size >= 8) {
    std::uint32_t a = Load32(data) ^ crc;
    std::uint32_t b = Load32(data + 4);
    crc = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
          t[3][b & 0xFF] ^ t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
    data += 8;
    size -= 8;
  }
  while (size--) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace unzip
