// Multi-level Huffman decoding tables for canonical codes (RFC 1951, 3.2.2), used by explode.
// Tables of one code are chained through a leading entry each, so that one walk frees them.
#include <new>

#include "unzip/decode_state.h"

namespace unzip {
namespace {

constexpr int kMaxBits = 16;
constexpr unsigned kMaxSymbols = 288;

// Allocates a table of 2^j entries behind a leading chain entry; links it after `*tail`.
HuffEntry* NewTable(unsigned entries, HuffEntry**& tail) {
  HuffEntry* q = new (std::nothrow) HuffEntry[entries + 1];
  if (q == nullptr) return nullptr;
  q[0] = HuffEntry{0, 0, 0, nullptr};
  *tail = q + 1;
  tail = &q[0].Next;
  return q + 1;
}

}  // namespace

void ReleaseHuffTable(HuffEntry* table) {
  while (table != nullptr) {
    HuffEntry* head = table - 1;
    HuffEntry* next = head->Next;
    delete[] head;
    table = next;
  }
}

int BuildHuffTable(const std::uint16_t* lengths, unsigned n, unsigned s, const std::uint16_t* base,
                   const std::uint16_t* extra, HuffEntry** table, int* width) {
  *table = nullptr;
  if (n > kMaxSymbols) return kHuffInvalid;

  unsigned count[kMaxBits + 1] = {};
  for (unsigned i = 0; i < n; ++i) {
    if (lengths[i] > kMaxBits) return kHuffInvalid;
    ++count[lengths[i]];
  }
  if (count[0] == n) {
    *width = 0;
    return kHuffComplete;
  }

  // Shortest and longest code lengths; the first-level width is clamped between them.
  int k = 1;
  while (count[k] == 0) ++k;
  int g = kMaxBits;
  while (count[g] == 0) --g;
  int l = *width;
  if (l < k) l = k;
  if (l > g) l = g;
  *width = l;

  // Over-subscription check; the free patterns are added to the longest length so that the
  // tables are filled completely (they decode as invalid).
  int y = 1 << k;
  for (int j = k; j < g; ++j, y <<= 1) {
    y -= static_cast<int>(count[j]);
    if (y < 0) return kHuffInvalid;
  }
  y -= static_cast<int>(count[g]);
  if (y < 0) return kHuffInvalid;
  count[g] += static_cast<unsigned>(y);

  // Symbols in order of code length, then symbol number.
  unsigned offset[kMaxBits + 2];
  offset[1] = 0;
  for (int j = 1; j <= kMaxBits; ++j) offset[j + 1] = offset[j] + (j < g ? count[j] : 0);
  unsigned order[kMaxSymbols];
  for (unsigned i = 0; i < n; ++i) {
    if (lengths[i] != 0) order[offset[lengths[i]]++] = i;
  }
  unsigned used = 0;
  for (unsigned i = 0; i < n; ++i) used += lengths[i] != 0 ? 1 : 0;

  // The length at which the end-of-block code sits: sub-tables should end there.
  const int el = n > 256 ? lengths[256] : kMaxBits;

  HuffEntry* first = nullptr;
  HuffEntry** tail = &first;
  HuffEntry* stack[kMaxBits + 1] = {};  // open tables, one per level
  int levelBits[kMaxBits + 1] = {};     // index width of each open table
  unsigned pattern[kMaxBits + 1] = {};  // code bits that led to each open table
  int h = -1;                           // level of the newest table
  int w = 0;                            // bits consumed before the newest table
  unsigned code = 0;                    // current code, bit-reversed
  unsigned next = 0;                    // index into order[]
  HuffEntry* q = nullptr;
  unsigned z = 0;  // entries of the newest table

  for (; k <= g; ++k) {
    unsigned a = count[k];
    while (a-- != 0) {
      while (h < 0 || k > w + levelBits[h]) {
        if (h >= 0) w += levelBits[h];
        ++h;
        int j;
        if (w == 0) {
          j = l;
        } else {
          int limit = g - w < l ? g - w : l;
          j = k - w;
          unsigned f = 1u << j;
          if (f > a + 1) {
            f -= a + 1;
            int len = k;
            while (++j < limit) {
              f <<= 1;
              if (f <= count[++len]) break;
              f -= count[len];
            }
          }
          if (w + j > el && w < el) j = el - w;
        }
        z = 1u << j;
        levelBits[h] = j;
        q = NewTable(z, tail);
        if (q == nullptr) {
          ReleaseHuffTable(first);
          return kHuffNoMemory;
        }
        stack[h] = q;
        if (h > 0) {
          pattern[h] = code;
          const unsigned index = (code & ((1u << w) - 1)) >> (w - levelBits[h - 1]);
          if (index >= (1u << levelBits[h - 1])) {
            ReleaseHuffTable(first);
            return kHuffInvalid;
          }
          stack[h - 1][index] = HuffEntry{static_cast<std::uint8_t>(16 + j),
                                          static_cast<std::uint8_t>(levelBits[h - 1]), 0, q};
        }
      }

      HuffEntry r{kOpInvalid, static_cast<std::uint8_t>(k - w), 0, nullptr};
      if (next < used) {
        const unsigned v = order[next++];
        if (v < s) {
          r.Op = v < 256 ? kOpLiteral : kOpEndOfBlock;
          r.Value = static_cast<std::uint16_t>(v);
        } else if (base != nullptr && extra != nullptr) {
          r.Op = static_cast<std::uint8_t>(extra[v - s]);
          r.Value = base[v - s];
        } else {
          ReleaseHuffTable(first);
          return kHuffInvalid;
        }
      }
      const unsigned step = 1u << (k - w);
      for (unsigned j = code >> w; j < z; j += step) q[j] = r;

      // Next code of length k, bit-reversed: increment from the most significant end.
      unsigned bit = 1u << (k - 1);
      while (code & bit) {
        code ^= bit;
        bit >>= 1;
      }
      code ^= bit;

      // Close the tables this code completed.
      while (h > 0 && (code & ((1u << w) - 1)) != pattern[h]) {
        --h;
        w -= levelBits[h];
        q = stack[h];
        z = 1u << levelBits[h];
      }
    }
  }
  *table = first;
  return (y != 0 && g != 1) ? kHuffIncomplete : kHuffComplete;
}

}  // namespace unzip
