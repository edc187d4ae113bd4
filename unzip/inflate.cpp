// The deflate decoder. Codes are decoded through one-level tables of 11 (literal/length) and
// 8 (distance) bits with small sub-tables for longer codes, from a 64-bit bit buffer that is
// refilled a word at a time; the main loop takes up to three literals per refill. Output goes
// to a work area of [32 KB history | output area | slack]: each full 32 KB piece of the output
// area is written with WriteOutput; when the area is full, its last 32 KB are copied to the
// history and decoding goes on at its start. So a back-reference always reads the 32 KB right
// before the output position, without a wrap, and before the member's first byte it reads the
// history, which is cleared for each member.
#include "unzip/inflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <cstring>
#include <memory>

namespace unzip {
namespace {

// Table entry: [7:0] bits to consume (code + extra bits; for a sub-table link the main
// table's bits), [11:8] code length (for a link: the sub-table's index bits; for literals
// the number of literals, 1 or 2), [15:12] kind, [31:16] value (literal(s), the first in
// the low byte, base, or the sub-table's offset). A main-table entry holds two literals when
// both codes fit its index bits together.
using Entry = std::uint32_t;
enum Kind : std::uint32_t {
  kKindMatch = 0,
  kKindLiteral = 1u << 12,
  kKindLink = 1u << 13,
  kKindEnd = 1u << 14,
  kKindInvalid = 1u << 15,
};
constexpr std::uint32_t kKindMask = 0xF000;

constexpr unsigned kLitBits = 11;
constexpr unsigned kDistBits = 8;
static_assert(kDistBits <= kLitBits, "the table builder sizes its marks by the widest table");
constexpr unsigned kMaxCodeBits = 15;
constexpr std::size_t kLitTableSize = (1u << kLitBits) + 288 * (1u << (kMaxCodeBits - kLitBits));
constexpr std::size_t kDistTableSize = (1u << kDistBits) + 32 * (1u << (kMaxCodeBits - kDistBits));

constexpr Entry MakeEntry(std::uint32_t kind, unsigned codeBits, unsigned extraBits,
                          std::uint32_t value) {
  return kind | (codeBits + extraBits) | codeBits << 8 | value << 16;
}
constexpr Entry kInvalidEntry = MakeEntry(kKindInvalid, 0, 0, 0);
constexpr Entry LiteralEntry(unsigned codeBits, std::uint32_t value, unsigned literals) {
  return kKindLiteral | codeBits | literals << 8 | value << 16;
}

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

enum class CodeKind { kCodeLengths, kLiteralLength, kDistance };

// The completeness of a code as the table builder classifies it: over-subscribed codes are
// invalid; codes with free patterns are incomplete unless their longest length is 1.
int Classify(const unsigned* count, unsigned maxBits) {
  int left = 1;
  unsigned longest = 0;
  for (unsigned len = 1; len <= maxBits; ++len) {
    left <<= 1;
    left -= static_cast<int>(count[len]);
    if (left < 0) return kHuffInvalid;
    if (count[len] != 0) longest = len;
  }
  if (longest == 0) return kHuffComplete;
  // `left` counts free patterns at maxBits; the builder's rule looks at them at the longest
  // length, which is free exactly when this is.
  return (left != 0 && longest != 1) ? kHuffIncomplete : kHuffComplete;
}

constexpr std::array<std::uint8_t, 256> kReversedBytes = [] {
  std::array<std::uint8_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    for (unsigned b = 0; b < 8; ++b) t[i] |= ((i >> b) & 1) << (7 - b);
  }
  return t;
}();

// The low `length` (<= 16) bits of `code` in reverse order.
unsigned Reverse(unsigned code, unsigned length) {
  const unsigned r = kReversedBytes[code & 0xFF] << 8 | kReversedBytes[(code >> 8) & 0xFF];
  return r >> (16 - length);
}

// The entry of `symbol` for a code of `len` bits.
Entry SymbolEntry(CodeKind kind, unsigned symbol, unsigned len) {
  switch (kind) {
    case CodeKind::kCodeLengths:
      return LiteralEntry(len, symbol, 1);
    case CodeKind::kLiteralLength:
      if (symbol < 256) return LiteralEntry(len, symbol, 1);
      if (symbol == 256) return MakeEntry(kKindEnd, len, 0, 0);
      if (symbol < 286) {
        return MakeEntry(kKindMatch, len, kLengthExtra[symbol - 257], kLengthBase[symbol - 257]);
      }
      return kInvalidEntry;
    case CodeKind::kDistance:
      return symbol < 30 ? MakeEntry(kKindMatch, len, kDistExtra[symbol], kDistBase[symbol])
                         : kInvalidEntry;
  }
  return kInvalidEntry;
}

// Builds a decoding table for `n` (<= 288) code lengths; symbols without an entry (free
// patterns, meaningless symbols) decode as invalid. With `pairs`, a literal/length table also
// gets the entries that hold two literals. Returns the builder's completeness code.
int BuildTable(const std::uint8_t* lengths, unsigned n, CodeKind kind, unsigned tableBits,
               Entry* table, bool pairs = false) {
  pairs = pairs && kind == CodeKind::kLiteralLength;
  unsigned count[kMaxCodeBits + 1] = {};
  for (unsigned i = 0; i < n; ++i) ++count[lengths[i]];
  count[0] = 0;
  const int result = Classify(count, kMaxCodeBits);
  if (result == kHuffInvalid) return result;

  unsigned longest = 0;
  unsigned used = 0;  // bit patterns of kMaxCodeBits bits that the codes take
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    if (count[len] != 0) longest = len;
    used += count[len] << (kMaxCodeBits - len);
  }
  // A code that takes every pattern overwrites every entry; otherwise the free ones are
  // invalid.
  const bool full = used == (1u << kMaxCodeBits);
  const std::size_t mainSize = std::size_t{1} << tableBits;
  if (!full) std::fill(table, table + mainSize, kInvalidEntry);
  if (longest == 0) return result;

  const unsigned subBits = longest > tableBits ? longest - tableBits : 0;
  unsigned next[kMaxCodeBits + 2] = {};
  unsigned code = 0;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  // The symbols that have codes, in the order of their codes: by length, then by value.
  std::uint16_t sorted[288];
  std::size_t coded = 0;
  {
    unsigned at[kMaxCodeBits + 1] = {};
    for (unsigned len = 2; len <= kMaxCodeBits; ++len) at[len] = at[len - 1] + count[len - 1];
    for (unsigned symbol = 0; symbol < n; ++symbol) {
      if (lengths[symbol] != 0) sorted[at[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
    }
    coded = at[kMaxCodeBits];
  }
  // Literals whose codes leave room for a second one in the main table, by code length. Only
  // a complete code gets pairs: an incomplete literal/length code is refused anyway.
  pairs = pairs && full;
  struct Short {
    std::uint16_t reversed;
    std::uint8_t symbol;
  };
  Short shortLiterals[256];
  unsigned shortStart[kLitBits + 1] = {};
  unsigned shortEnd[kLitBits + 1] = {};
  if (pairs) {
    for (unsigned symbol = 0; symbol < 256 && symbol < n; ++symbol) {
      if (lengths[symbol] != 0 && lengths[symbol] < tableBits) ++shortEnd[lengths[symbol]];
    }
    for (unsigned len = 1, at = 0; len < tableBits; ++len) {
      shortStart[len] = at;
      at += shortEnd[len];
      shortEnd[len] = shortStart[len];
    }
  }

  // A complete code's short codes: each gets one entry in a table as wide as its length, in
  // the order of the codes, and the table is doubled on the way to the next length, which
  // repeats every entry for the longer indexes that start with its bits. The codes are kept
  // bit-reversed, as the table is indexed: the next code sets the highest clear bit and clears
  // those above it. Patterns no short code takes are prefixes of long codes and get links.
  std::size_t k = 0;  // sorted symbols placed
  if (full) {
    unsigned len = lengths[sorted[0]];
    std::size_t end = std::size_t{1} << std::min(len, tableBits);
    unsigned reversed = 0;
    for (; len <= tableBits; ++len) {
      if (end < (std::size_t{1} << len)) {
        std::memcpy(table + end, table, end * sizeof(Entry));
        end <<= 1;
      }
      for (unsigned c = count[len]; c != 0; --c) {
        const unsigned symbol = sorted[k++];
        table[reversed] = SymbolEntry(kind, symbol, len);
        if (pairs && symbol < 256 && len < tableBits) {
          shortLiterals[shortEnd[len]++] = {static_cast<std::uint16_t>(reversed),
                                            static_cast<std::uint8_t>(symbol)};
        }
        ++next[len];
        const unsigned bit = std::bit_floor(reversed ^ static_cast<unsigned>(end - 1));
        reversed = (reversed & (bit - 1)) | bit;
      }
    }
  }

  std::size_t subOffset = mainSize;
  std::bitset<(1u << kLitBits)> linked;  // main-table entries given a sub-table
  for (; k < coded; ++k) {
    const unsigned symbol = sorted[k];
    const unsigned len = lengths[symbol];
    const unsigned reversed = Reverse(next[len]++, len);
    Entry e = SymbolEntry(kind, symbol, len);
    if (len <= tableBits) {
      for (std::size_t i = reversed; i < mainSize; i += std::size_t{1} << len) table[i] = e;
      continue;
    }
    const unsigned prefix = reversed & (mainSize - 1);
    if (!linked.test(prefix)) {
      linked.set(prefix);
      table[prefix] = MakeEntry(kKindLink, subBits, 0, static_cast<std::uint32_t>(subOffset)) -
                      subBits + tableBits;
      if (!full) std::fill_n(table + subOffset, std::size_t{1} << subBits, kInvalidEntry);
      subOffset += std::size_t{1} << subBits;
    }
    Entry* sub = table + (table[prefix] >> 16);
    const unsigned rest = reversed >> tableBits;
    const unsigned restLen = len - tableBits;
    if ((e & kKindMask) == kKindMatch) {
      e -= tableBits * 0x101;
    } else if ((e & kKindMask) != kKindInvalid) {
      e -= tableBits;
    }
    for (std::size_t i = rest; i < (std::size_t{1} << subBits); i += std::size_t{1} << restLen) {
      sub[i] = e;
    }
  }
  // Entries for two literals whose codes fit the main table together: the second code
  // follows the first one's bits. By Kraft's inequality these fill at most the whole table.
  for (unsigned len1 = 1; pairs && len1 < tableBits; ++len1) {
    for (unsigned a = shortStart[len1]; a < shortEnd[len1]; ++a) {
      const Short first = shortLiterals[a];
      for (unsigned len2 = 1; len1 + len2 <= tableBits; ++len2) {
        const std::size_t step = std::size_t{1} << (len1 + len2);
        for (unsigned b = shortStart[len2]; b < shortEnd[len2]; ++b) {
          const Short second = shortLiterals[b];
          const Entry e = LiteralEntry(len1 + len2, first.symbol | second.symbol << 8u, 2);
          for (std::size_t i = first.reversed | second.reversed << len1; i < mainSize; i += step) {
            table[i] = e;
          }
        }
      }
    }
  }
  return result;
}

// A block's two codes side by side, so that the decoding loop reaches both from one base.
struct CodeTables {
  Entry lit[kLitTableSize];
  Entry dist[kDistTableSize];
};

struct Tables {
  CodeTables dynamic;
  CodeTables fixed;
  bool fixedBuilt = false;
};

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

// The output of a member from which on dynamic blocks get entries of two literals.
constexpr std::int64_t kPairsWorth = 65536;

// What the code loops return while the block goes on (no result code has this value).
constexpr std::int32_t kMoreCodes = 1000;

// Output slack. The fast loop looks for a full piece only between its steps, so a step starts
// at most one byte before the output area's end and may store beyond it. A match copy
// (CopyForward) stores `first` bytes, then `step` bytes at a time while the match lasts: at
// a distance of 16 or more 48 and then 32, at 8 to 15 40 and then 16, nearer 8 and then 8;
// three literal pairs store 6. The work area behind the output area takes the longest.
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t LongestCopy(std::size_t first, std::size_t step) {
  return first + step * ((kMaxMatch - std::min(first, kMaxMatch) + step - 1) / step);
}
constexpr std::size_t kLongestStore =
    std::max({LongestCopy(48, 32), LongestCopy(40, 16), LongestCopy(8, 8)});
constexpr std::size_t kOutputStart = kWindowSize;
constexpr std::size_t kOutputEnd = kOutputStart + kInflateSpan;
static_assert(kOutputEnd - 1 + kLongestStore <= kWorkAreaSize, "the work area lacks output slack");
static_assert(kInflateSpan % kWindowSize == 0 && kInflateSpan >= kWindowSize,
              "the output area is written in whole pieces, the last of which becomes the history");
// The farthest distance is 32768 = kWindowSize: from the output area it reaches the history at
// most, never before the work area.

// Bit budget of the fast loop. A refill leaves at least kRefillBits valid bits. A step takes
// up to three main-table literal entries, or up to two and then a literal/length code that
// may continue in a sub-table (kMaxCodeBits) with up to 5 extra bits; it then looks up the
// next literal/length entry. Before a distance code (with up to 13 extra bits) it refills
// unless enough bits remain for it and the next look-up.
constexpr unsigned kRefillBits = 56;
constexpr unsigned kMaxLengthBits = kMaxCodeBits + 5;
constexpr unsigned kMaxDistanceBits = kMaxCodeBits + 13;
static_assert(3 * kLitBits + kLitBits <= kRefillBits);
static_assert(2 * kLitBits + kMaxLengthBits <= kRefillBits);
static_assert(2 * kLitBits + kMaxCodeBits + kLitBits <= kRefillBits);
static_assert(kMaxDistanceBits + kLitBits <= kRefillBits);
static_assert(2 * kLitBits + kMaxLengthBits + kDistBits <= kRefillBits);

// Input slack. A refill loads a 64-bit word and moves on by at most 7 bytes, and a step of the
// fast loop refills at most twice; so a step that starts with kFastInput bytes handed out
// reads only those. The up to 7 bytes held ahead stay in the bit buffer, which Store hands
// back. Near the end of what was handed out one code at a time is decoded, refilling through
// RefillInput; a refill hands out at least one word while the member has it, so the
// byte-by-byte refill runs only at the member's end.
constexpr std::ptrdiff_t kFastInput = 7 + sizeof(std::uint64_t);
static_assert(kRefillMinimum >= sizeof(std::uint64_t), "a refill must hand out a whole word");

// The decoder's working copy of the input and output positions.
class Decoder {
 public:
  Decoder(Tables& tables, DecodeState& d) : t_(tables), d_(d) {
    in_ = d_.inPos;
    end_ = d_.inEnd;
    piece_ = d_.window + kOutputStart;
    op_ = piece_;
  }

  std::int32_t Run();

 private:
  // Makes at least 56 bits valid. Past the end of the input zero bytes enter and are counted;
  // consuming any of them means the data ended early.
  void Refill() {
    if (end_ - in_ >= 8) {
      bits_ |= Load64(in_) << count_;
      in_ += 7 - ((count_ >> 3) & 7);
      count_ |= 56;
      return;
    }
    RefillSlow();
  }
  void RefillSlow();
  bool Overran() const { return count_ < padding_ * 8; }
  void Consume(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  std::uint32_t Take(unsigned n) {
    const std::uint32_t v = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    Consume(n);
    return v;
  }
  bool FlushPiece();
  std::int32_t StoredBlock();
  std::int32_t DynamicHeader();
  // Decodes a block's codes up to its end. Result 0 or an error code.
  std::int32_t Codes(const CodeTables& t);
  // Decodes codes while the input holds kFastInput bytes and the piece is not full; kMoreCodes
  // when one of these ended, else the block's result.
  std::int32_t FastCodes(const CodeTables& t);
  // Decodes one code (and copies its match) near the end of the input; kMoreCodes or the
  // block's result.
  std::int32_t Code(const CodeTables& t);
  void Store();

  Tables& t_;
  DecodeState& d_;
  const std::uint8_t* in_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  unsigned padding_ = 0;  // zero bytes that entered after the input ended
  std::uint8_t* piece_;   // start of the current 32 KB output piece
  std::uint8_t* op_;      // output position
};

void Decoder::RefillSlow() {
  if (end_ - in_ < 8 && padding_ == 0) {
    d_.inPos = in_;
    RefillInput(d_);
    in_ = d_.inPos;
    end_ = d_.inEnd;
    if (end_ - in_ >= 8) {
      Refill();
      return;
    }
  }
  bits_ &= (std::uint64_t{1} << count_) - 1;
  while (count_ <= 56) {
    if (in_ < end_) {
      bits_ |= std::uint64_t{*in_++} << count_;
    } else {
      ++padding_;
    }
    count_ += 8;
  }
}

// Writes the full piece. After the output area's last piece, that piece becomes the history
// and output that ran past the area's end moves to its start.
bool Decoder::FlushPiece() {
  if (!WriteOutput(d_, piece_, kWindowSize)) return false;
  piece_ += kWindowSize;
  std::uint8_t* const areaEnd = d_.window + kOutputEnd;
  if (piece_ != areaEnd) return true;
  std::memcpy(d_.window, areaEnd - kWindowSize, kWindowSize);
  d_.historyClear = false;
  const std::size_t carry = static_cast<std::size_t>(op_ - areaEnd);
  piece_ = d_.window + kOutputStart;
  std::memcpy(piece_, areaEnd, carry);
  op_ = piece_ + carry;
  return true;
}

std::int32_t Decoder::StoredBlock() {
  Refill();
  Consume(count_ & 7);
  if (count_ < 32) Refill();
  const std::uint32_t len = Take(16);
  const std::uint32_t nlen = Take(16);
  if (Overran()) return kReadError;
  if ((len ^ 0xFFFF) != nlen) return kStructureError;
  std::uint32_t left = len;
  // Whole bytes still in the bit buffer come first, then the input directly.
  while (left != 0 && count_ >= 8 && count_ > padding_ * 8) {
    *op_++ = static_cast<std::uint8_t>(Take(8));
    --left;
    if (op_ >= piece_ + kWindowSize && !FlushPiece()) return kWriteError;
  }
  if (left != 0) {
    if (Overran()) return kReadError;
    // The bit buffer is empty of real bytes here; any padding counted is dropped.
    bits_ = 0;
    count_ = 0;
    padding_ = 0;
  }
  while (left != 0) {
    if (in_ == end_) {
      d_.inPos = in_;
      if (RefillInput(d_) == 0) return kReadError;
      in_ = d_.inPos;
      end_ = d_.inEnd;
    }
    std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(end_ - in_));
    n = std::min<std::size_t>(n, static_cast<std::size_t>(piece_ + kWindowSize - op_));
    std::memcpy(op_, in_, n);
    op_ += n;
    in_ += n;
    left -= static_cast<std::uint32_t>(n);
    if (op_ >= piece_ + kWindowSize && !FlushPiece()) return kWriteError;
  }
  return kUnzipOk;
}

std::int32_t Decoder::DynamicHeader() {
  Refill();
  const unsigned hlit = Take(5) + 257;
  const unsigned hdist = Take(5) + 1;
  const unsigned hclen = Take(4) + 4;
  std::uint8_t lengths[288 + 32] = {};
  std::uint8_t codeLengths[19] = {};
  for (unsigned i = 0; i < hclen; ++i) {
    if (count_ < 3) Refill();
    codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(Take(3));
  }
  Entry clTable[1u << 7];
  if (BuildTable(codeLengths, 19, CodeKind::kCodeLengths, 7, clTable) != kHuffComplete) {
    return Overran() ? kReadError : kStructureError;
  }
  const unsigned total = hlit + hdist;
  unsigned i = 0;
  std::uint8_t previous = 0;
  while (i < total) {
    if (count_ < 14) Refill();
    const Entry e = clTable[bits_ & 0x7F];
    if ((e & kKindMask) == kKindInvalid) return Overran() ? kReadError : kStructureError;
    Consume(e & 0xFF);
    const unsigned symbol = e >> 16;
    if (symbol < 16) {
      lengths[i++] = previous = static_cast<std::uint8_t>(symbol);
      continue;
    }
    unsigned repeat;
    std::uint8_t value = 0;
    if (symbol == 16) {
      repeat = 3 + Take(2);
      value = previous;
      if (i + repeat > total) return Overran() ? kReadError : kBadHuffmanHeader;
    } else if (symbol == 17) {
      repeat = 3 + Take(3);
      if (i + repeat > total) return Overran() ? kReadError : kBadHuffmanHeader;
      previous = 0;
    } else {
      repeat = 11 + Take(7);
      if (i + repeat > total) return Overran() ? kReadError : kStructureError;
      previous = 0;
    }
    std::memset(lengths + i, value, repeat);
    i += repeat;
  }
  if (Overran()) return kReadError;
  // Entries of two literals take a pass over the table's short literal codes; they pay off
  // only over long output.
  const bool pairs = d_.uncompressedSize >= kPairsWorth;
  if (BuildTable(lengths, hlit, CodeKind::kLiteralLength, kLitBits, t_.dynamic.lit, pairs) !=
      kHuffComplete) {
    return kStructureError;
  }
  if (BuildTable(lengths + hlit, hdist, CodeKind::kDistance, kDistBits, t_.dynamic.dist) ==
      kHuffInvalid) {
    return kStructureError;
  }
  return kUnzipOk;
}

// Copies words of W bytes from src on to dst on: kFirst of them, then kStep at a time until
// dst reaches `end`. The source may overlap the destination from at least W bytes behind.
// Most matches are done with the first words alone, without a loop branch to mispredict.
template <std::size_t W, std::size_t kFirst, std::size_t kStep>
inline void CopyWords(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* end) {
  for (std::size_t i = 0; i < kFirst; ++i, dst += W, src += W) std::memcpy(dst, src, W);
  while (dst < end) {
    for (std::size_t i = 0; i < kStep; ++i, dst += W, src += W) std::memcpy(dst, src, W);
  }
}

// Copies from `src`, `distance` bytes behind dst, until dst reaches `end`, in whole words:
// up to kLongestStore bytes from dst may be written. Returns `end`.
inline std::uint8_t* CopyForward(std::uint8_t* dst, const std::uint8_t* src, std::uint8_t* end,
                                 std::uint32_t distance) {
  if (distance >= 16) {
    CopyWords<16, 3, 2>(dst, src, end);
  } else if (distance >= 8) {
    CopyWords<8, 5, 2>(dst, src, end);
  } else if (distance == 1) {
    const std::uint64_t v = *src * 0x0101010101010101ull;
    do {
      std::memcpy(dst, &v, 8);
      dst += 8;
    } while (dst < end);
  } else {
    // A short period: spell out the first 8 bytes, then copy words from a whole number of
    // periods back, at least 8 bytes behind.
    for (int i = 0; i < 8; ++i) dst[i] = src[i];
    const std::size_t step = distance * ((7 + distance) / distance);
    CopyWords<8, 0, 1>(dst + 8, dst + 8 - step, end);
  }
  return end;
}

// Copies a match of `length` bytes from `distance` (at most kWindowSize) back to op in the
// output area, and returns the new output position.
inline std::uint8_t* CopyMatch(std::uint8_t* op, std::uint32_t length, std::uint32_t distance) {
  return CopyForward(op, op - distance, op + length, distance);
}

// The value of a length or distance entry: its base plus the extra bits that follow the code
// in `saved`, the bit buffer before the entry was consumed.
inline std::uint32_t EntryValue(Entry e, std::uint64_t saved) {
  const unsigned codeBits = (e >> 8) & 0xF;
  return (e >> 16) +
         static_cast<std::uint32_t>((saved & ((std::uint64_t{1} << (e & 0xFF)) - 1)) >> codeBits);
}

// Writes the one or two literals of a literal entry; the second byte is written either way.
inline std::uint8_t* PutLiterals(std::uint8_t* op, Entry e) {
  std::uint16_t pair = static_cast<std::uint16_t>(e >> 16);
  if constexpr (std::endian::native == std::endian::big) pair = __builtin_bswap16(pair);
  std::memcpy(op, &pair, sizeof pair);
  return op + ((e >> 8) & 3);
}

std::int32_t Decoder::Codes(const CodeTables& t) {
  for (;;) {
    if (op_ >= piece_ + kWindowSize) {
      if (!FlushPiece()) return kWriteError;
      if (d_.abort) return kAborted;
    }
    const std::int32_t result = end_ - in_ >= kFastInput ? FastCodes(t) : Code(t);
    if (result != kMoreCodes) return result;
  }
}

std::int32_t Decoder::FastCodes(const CodeTables& t) {
  const Entry* const lit = t.lit;
  const Entry* const dist = t.dist;
  constexpr std::uint64_t kLitMask = (1u << kLitBits) - 1;
  constexpr std::uint64_t kDistMask = (1u << kDistBits) - 1;
  // The hot state lives in locals: output stores through a byte pointer could otherwise
  // alias the members and force them back to memory on every byte. Only whole refills happen
  // here (no zero bytes enter), so nothing is padded. Only the low byte of `count` is the
  // number of valid bits: a consumed entry is subtracted whole, whose low byte is its bits,
  // which saves taking that byte out first.
  std::uint64_t bits = bits_;
  unsigned count = count_;
  const std::uint8_t* in = in_;
  const std::uint8_t* const inLimit = end_ - kFastInput;
  std::uint8_t* op = op_;
  std::uint8_t* const pieceEnd = piece_ + kWindowSize;
  auto save = [&] {
    bits_ = bits;
    count_ = count & 0xFF;
    in_ = in;
    op_ = op;
  };
  auto refill = [&] {
    bits |= Load64(in) << (count & 63);
    in += 7 - ((count >> 3) & 7);
    count |= 56;
  };
  auto consume = [&](Entry e) {
    bits >>= (e & 0xFF);
    count -= e;
  };
  // Each pass starts with at least kRefillBits valid bits and the next literal/length entry
  // looked up; it ends with a refill after the next entry's look-up, so that the table's
  // latency overlaps the copying.
  refill();
  Entry e = lit[bits & kLitMask];
  do {
    if (e & kKindLiteral) {
      consume(e);
      op = PutLiterals(op, e);
      e = lit[bits & kLitMask];
      if (e & kKindLiteral) {
        consume(e);
        op = PutLiterals(op, e);
        e = lit[bits & kLitMask];
        if (e & kKindLiteral) {
          consume(e);
          op = PutLiterals(op, e);
          e = lit[bits & kLitMask];
          refill();
          continue;
        }
      }
    }
    if ((e & kKindMask) != kKindMatch) {
      if ((e & kKindMask) == kKindLink) {
        consume(e);
        e = lit[(e >> 16) + (bits & ((1u << ((e >> 8) & 0xF)) - 1))];
        if (e & kKindLiteral) {
          consume(e);
          *op++ = static_cast<std::uint8_t>(e >> 16);
          e = lit[bits & kLitMask];
          refill();
          continue;
        }
      }
      if ((e & kKindMask) != kKindMatch) {
        save();
        if ((e & kKindMask) != kKindEnd) return kStructureError;
        Consume(e & 0xFF);
        return kUnzipOk;
      }
    }
    std::uint64_t saved = bits;
    consume(e);
    const std::uint32_t length = EntryValue(e, saved);
    // The distance entry is looked up before the refill, which only adds bits above the valid
    // ones: at least kDistBits of them are left after the length (see the bit budget).
    e = dist[bits & kDistMask];
    if ((count & 0xFF) < kMaxDistanceBits + kLitBits) refill();
    if ((e & kKindMask) != kKindMatch) {
      if ((e & kKindMask) == kKindLink) {
        consume(e);
        e = dist[(e >> 16) + (bits & ((1u << ((e >> 8) & 0xF)) - 1))];
      }
      if ((e & kKindMask) != kKindMatch) {
        save();
        return kStructureError;
      }
    }
    saved = bits;
    consume(e);
    const std::uint32_t distance = EntryValue(e, saved);
    e = lit[bits & kLitMask];
    refill();
    op = CopyMatch(op, length, distance);
  } while (op < pieceEnd && in <= inLimit);
  save();
  return kMoreCodes;
}

std::int32_t Decoder::Code(const CodeTables& t) {
  const Entry* const lit = t.lit;
  const Entry* const dist = t.dist;
  // One code (with its distance) takes at most 48 bits, fewer than a refill provides.
  Refill();
  Entry e = lit[bits_ & ((1u << kLitBits) - 1)];
  if ((e & kKindMask) == kKindLink) {
    Consume(e & 0xFF);
    e = lit[(e >> 16) + (bits_ & ((1u << ((e >> 8) & 0xF)) - 1))];
  }
  if (e & kKindLiteral) {
    Consume(e & 0xFF);
    op_ = PutLiterals(op_, e);
    return Overran() ? kReadError : kMoreCodes;
  }
  if ((e & kKindMask) != kKindMatch) {
    if (Overran()) return kReadError;
    if ((e & kKindMask) != kKindEnd) return kStructureError;
    Consume(e & 0xFF);
    return Overran() ? kReadError : kUnzipOk;
  }
  std::uint64_t saved = bits_;
  Consume(e & 0xFF);
  const std::uint32_t length = EntryValue(e, saved);
  e = dist[bits_ & ((1u << kDistBits) - 1)];
  if ((e & kKindMask) == kKindLink) {
    Consume(e & 0xFF);
    e = dist[(e >> 16) + (bits_ & ((1u << ((e >> 8) & 0xF)) - 1))];
  }
  if ((e & kKindMask) != kKindMatch) return Overran() ? kReadError : kStructureError;
  saved = bits_;
  Consume(e & 0xFF);
  const std::uint32_t distance = EntryValue(e, saved);
  if (Overran()) return kReadError;
  op_ = CopyMatch(op_, length, distance);
  return kMoreCodes;
}

std::int32_t Decoder::Run() {
  for (;;) {
    if (d_.abort) return kAborted;
    Refill();
    const bool final = Take(1) != 0;
    const unsigned type = Take(2);
    std::int32_t result;
    if (type == 0) {
      result = StoredBlock();
    } else if (type == 1) {
      if (!t_.fixedBuilt) {
        std::uint8_t lengths[288];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        BuildTable(lengths, 288, CodeKind::kLiteralLength, kLitBits, t_.fixed.lit);
        std::memset(lengths, 5, 30);
        BuildTable(lengths, 30, CodeKind::kDistance, kDistBits, t_.fixed.dist);
        t_.fixedBuilt = true;
      }
      result = Overran() ? kReadError : Codes(t_.fixed);
    } else if (type == 2) {
      result = DynamicHeader();
      if (result == kUnzipOk) result = Codes(t_.dynamic);
    } else {
      result = Overran() ? kReadError : kStructureError;
    }
    if (result != kUnzipOk) {
      if (result == kReadError) d_.endOfInput = true;
      return result;
    }
    if (final) break;
  }
  if (op_ >= piece_ + kWindowSize && !FlushPiece()) return kWriteError;
  if (!WriteOutput(d_, piece_, static_cast<std::size_t>(op_ - piece_))) return kWriteError;
  Store();
  return kUnzipOk;
}

// Hands the unread input back: the bits past the final block stay in the bit reader.
void Decoder::Store() {
  count_ -= padding_ * 8;
  d_.bitBuffer = count_ >= 64 ? bits_ : bits_ & ((std::uint64_t{1} << count_) - 1);
  d_.bitCount = count_;
  d_.inPos = in_;
  d_.inEnd = end_;
}

}  // namespace

struct InflateTables {
  Tables tables;
};

void InflateTablesRelease::operator()(InflateTables* tables) const { delete tables; }

std::int32_t Inflate(DecodeState& d) {
  ResetInput(d);
  if (!d.historyClear) {
    std::memset(d.window, 0, kWindowSize);
    d.historyClear = true;
  }
  // One set of tables serves every member decoded with this state; the fixed code's tables
  // are built once.
  if (!d.inflateTables) d.inflateTables.reset(new InflateTables());
  Decoder decoder(d.inflateTables->tables, d);
  return decoder.Run();
}

std::int32_t InflateBuffer(const std::uint8_t* data, std::size_t size, const OutputSink& sink) {
  auto work = std::make_unique<std::uint8_t[]>(kWorkAreaSize);
  auto state = std::make_unique<DecodeState>();
  DecodeState& d = *state;
  d.window = work.get();
  d.sink = sink;
  d.inPos = data;
  d.inEnd = data + size;
  d.compressedSize = static_cast<std::int32_t>(std::min<std::size_t>(size, 0x7FFFFFFF));
  d.uncompressedSize = 0x7FFFFFFF;
  d.bytesRead = static_cast<std::int64_t>(size);
  return Inflate(d);
}

}  // namespace unzip
