// Reproducible sample contents for the round trips through the test encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace legacy_test {

// Text made of words drawn from a small vocabulary: compresses well, codes of all lengths.
inline std::vector<std::uint8_t> WordText(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {
      "shrink ", "implode ", "the ",   "archive ", "member ", "of ",   "code ",    "table ",
      "and ",    "zip ",     "data\n", "a ",       "window ", "tree ", "length\n", "distance ",
      "Vorlex ", "setup ",   "in ",    "to ",      "0123 ",   "xyz ",  "\t",       "-- "};
  std::vector<std::uint8_t> out;
  std::uint32_t x = seed * 2654435761u + 1;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    const std::string w = kWords[(x >> 16) % (sizeof kWords / sizeof kWords[0])];
    out.insert(out.end(), w.begin(), w.end());
  }
  out.resize(size);
  return out;
}

// Bytes of every value with little repetition: many literals, few matches.
inline std::vector<std::uint8_t> NoisyBytes(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> out(size);
  std::uint32_t x = seed | 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return out;
}

inline std::vector<std::uint8_t> Repeat(std::uint8_t byte, std::size_t count) {
  return std::vector<std::uint8_t>(count, byte);
}

inline std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a,
                                        const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace legacy_test
