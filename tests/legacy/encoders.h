// Test-only encoders of the two legacy methods, written from PKWARE's APPNOTE so that the
// tests can reach what no real archive at hand reaches: forced partial clearing, code width
// growth beyond 13 bits, the implode variants with a 4 KB dictionary and three trees or an
// 8 KB dictionary and two trees. Every stream they make is also checked with Info-ZIP unzip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace legacy_test {

struct ShrinkOptions {
  // Ascending input offsets: a partial clearing (256, 2) is sent before the first code that
  // starts at or after each of them; 1 sends it right after the first code, before any code
  // is defined.
  std::vector<std::size_t> clearBefore;
  // Send a partial clearing as soon as code 8191 is defined, as PKZIP does (Info-ZIP unzip
  // rejects a stream that goes on with a full table).
  bool clearWhenFull = true;
  // Code width to reach right after the first code (each step sends 256, 1).
  unsigned startWidth = 9;
  // Width increases sent after the last code.
  unsigned growthAtEnd = 0;
};

struct ShrinkStats {
  unsigned widthIncreases = 0;
  unsigned partialClears = 0;
  unsigned freeCodesUsed = 0;  // codes sent one step before the decoder defines them
};

std::vector<std::uint8_t> Shrink(std::span<const std::uint8_t> input, const ShrinkOptions& options,
                                 ShrinkStats* stats = nullptr);

struct ImplodeOptions {
  bool bigDictionary = false;  // general purpose flag bit 1: 8 KB instead of 4 KB
  bool literalTree = false;    // flag bit 2: literals coded with a tree, lengths from 3
  // When the input starts with zero bytes, code them as one match that reaches before the
  // start of the output.
  bool leadingZerosAsMatch = false;
};

struct ImplodeStats {
  unsigned literals = 0;
  unsigned matches = 0;
  unsigned longMatches = 0;  // matches that use the length symbol with extra bits
  unsigned matchesBeforeStart = 0;
};

std::vector<std::uint8_t> Implode(std::span<const std::uint8_t> input,
                                  const ImplodeOptions& options, ImplodeStats* stats = nullptr);

inline std::uint16_t ImplodeFlags(const ImplodeOptions& o) {
  return static_cast<std::uint16_t>((o.bigDictionary ? 2 : 0) | (o.literalTree ? 4 : 0));
}

// Stored form of a tree as ReadTree expects it: a byte with the number of run bytes minus
// one, then per run ((count - 1) << 4) | (length - 1).
std::vector<std::uint8_t> EncodeTree(const std::vector<unsigned>& lengths);

}  // namespace legacy_test
