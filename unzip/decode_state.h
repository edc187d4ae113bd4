// The decoding state shared by the extractor's decoders (inflate, unshrink, explode): the
// compressed input with its bit reader, the output window with FlushWindow, the CRC
// register, the member's counters and flags. Whoever runs a decoder owns one and passes it in:
// the extraction of a run sets its own up before each member's decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

#include "platform/types.h"
#include "unzip/ziptypes.h"

namespace unzip {

// The output window: decoded bytes are collected here and written in pieces of at most
// kWindowSize bytes; for the sliding-dictionary methods it is also the history.
inline constexpr std::size_t kWindowSize = 32768;
// Inflate decodes into an output area of this size behind its 32 KB history and writes it
// in kWindowSize pieces; only when the area is full does its last 32 KB move to the history.
inline constexpr std::size_t kInflateSpan = 8 * kWindowSize;
// The work area that holds the window. Its first kWindowSize bytes are the window; the area
// is large enough for the shrink tables (48640 bytes), and for inflate's history, output area
// and the slack its word-wise copies write beyond.
inline constexpr std::size_t kWorkAreaSize = kWindowSize + kInflateSpan + 1024;
// The start of the work area that shrink and implode find cleared, as they always have.
inline constexpr std::size_t kClearedStart = 2 * kWindowSize + 1024;
// The archive is read in sequential pieces of this size, which serve all members they hold.
inline constexpr std::size_t kInputBufferSize = 131072;
// A refill hands out at least this many bytes while the member has them (the bit readers
// take eight bytes at a time).
inline constexpr std::int64_t kRefillMinimum = 8;

// Receives each piece of decoded output; false means the write failed.
using OutputSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Inflate's decoding tables, made by the first Inflate on a state and kept for the next.
struct InflateTables;
struct InflateTablesRelease {
  void operator()(InflateTables* tables) const;
};

struct DecodeState {
  // Output.
  std::uint8_t* window = nullptr;   // the work area (kWorkAreaSize bytes)
  bool historyClear = false;        // its first kWindowSize bytes are all zero
  std::uint32_t w = 0;              // write position in the window, 0..kWindowSize
  OutputSink sink;                  // where FlushWindow and WriteOutput write
  std::uint32_t crc = 0xFFFFFFFFu;  // CRC-32 register over everything written

  // Input: [inBuffer, bufferEnd) holds the bytes of `archive` from offset `bufferStart`. The
  // decoder takes [inPos, inEnd); a refill widens inEnd over buffered bytes, or reads on, while
  // `inputLeft` bytes of the member may still be handed out. `filePosition` is where the
  // archive handle stands (-1: not known), so that sequential reads need no seek.
  std::uint8_t inBuffer[kInputBufferSize];
  const std::uint8_t* inPos = inBuffer;
  const std::uint8_t* inEnd = inBuffer;
  const std::uint8_t* bufferEnd = inBuffer;
  std::int64_t bufferStart = 0;
  std::int64_t filePosition = -1;
  plat::Handle archive = plat::kNoHandle;
  std::int64_t inputLeft = 0;

  // Bit reader: bits are taken from the least significant end; bytes enter above the
  // `bitCount` valid bits.
  std::uint64_t bitBuffer = 0;
  unsigned bitCount = 0;

  // The member being decoded.
  std::int64_t compressedSize = 0;    // 2147483647 when deferred (general purpose flag bit 3)
  std::int64_t uncompressedSize = 0;  // 2147483647 when deferred
  std::int64_t bytesRead = 0;         // compressed bytes read from the archive so far
  std::uint16_t generalFlags = 0;     // the local header's general purpose flags
  bool endOfInput = false;            // the compressed data ran out
  bool abort = false;                 // a decoder must stop with kAborted
  std::unique_ptr<InflateTables, InflateTablesRelease> inflateTables;

  // Each write is reported to `report` (when set) with `record`.
  ReportProc report;
  ReportRecord* record = nullptr;
};

// Marks the input buffer empty and clears the bit buffer.
void ResetInput(DecodeState& d);

// Keeps the unread input and appends what the archive still yields. Returns the number of
// bytes added; when none could be added, sets the end-of-input flag.
std::size_t RefillInput(DecodeState& d);

// Forgets what was read from an archive: the next one may be another file.
void ForgetInput(DecodeState& d);

// Moves the input to `offset` of the archive, with nothing handed out to a decoder yet.
void SeekInput(DecodeState& d, std::int64_t offset);

// Reads `size` bytes at the input position and moves past them; false when the archive
// cannot be read or ends before.
bool ReadInput(DecodeState& d, std::uint8_t* out, std::size_t size);

// Next byte of the compressed data; 0 with the end-of-input flag set when it ran out.
inline std::uint8_t ReadByte(DecodeState& d) {
  if (d.inPos == d.inEnd && RefillInput(d) == 0) return 0;
  return *d.inPos++;
}

// Makes at least n bits (n <= 32) valid; past the end of the input zero bits enter and the
// end-of-input flag is set.
inline void NeedBits(DecodeState& d, unsigned n) {
  while (d.bitCount < n) {
    d.bitBuffer |= static_cast<std::uint64_t>(ReadByte(d)) << d.bitCount;
    d.bitCount += 8;
  }
}

// The low n bits (n <= 32) of the bit buffer; call NeedBits(d, n) first.
inline std::uint32_t PeekBits(const DecodeState& d, unsigned n) {
  return static_cast<std::uint32_t>(d.bitBuffer & ((std::uint64_t{1} << n) - 1));
}

// Drops n valid bits.
inline void DumpBits(DecodeState& d, unsigned n) {
  d.bitBuffer >>= n;
  d.bitCount -= n;
}

// Writes `size` bytes to the output, runs the CRC over them and sends the -1001 report.
// False when the write failed.
bool WriteOutput(DecodeState& d, const std::uint8_t* data, std::size_t size);

// Writes the first n bytes of the window (WriteOutput).
inline bool FlushWindow(DecodeState& d, std::size_t n) { return WriteOutput(d, d.window, n); }

// The archive's records: the fixed part of a local header, the 32-bit value that says the
// field's value is in the Zip64 extra block, and their little-endian fields.
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::uint64_t kNo32 = 0xFFFFFFFFu;
inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
inline std::uint64_t Get64(const std::uint8_t* p) {
  return Get32(p) | std::uint64_t{Get32(p + 4)} << 32;
}

// Fills the `fields` that hold 0xFFFFFFFF, in their order, with the 8-byte values of the
// Zip64 block of an extra field. False when the field has no such block or it lacks a value.
bool TakeZip64(const std::uint8_t* extra, std::size_t size,
               std::initializer_list<std::uint64_t*> fields);

// Huffman decoding tables, shared by inflate and explode. A table of 2^width entries is
// indexed by the next `width` input bits (least significant bit first); longer codes continue
// in sub-tables.
struct HuffEntry {
  std::uint8_t Op;      // kOpLiteral, kOpEndOfBlock, 0..13 extra bits, 17..32 sub-table link
                        // (indexed by the next Op - 16 bits), or kOpInvalid
  std::uint8_t Bits;    // input bits this entry consumes at its level
  std::uint16_t Value;  // literal, symbol, or base length/distance
  HuffEntry* Next;      // the sub-table of a link entry
};
inline constexpr std::uint8_t kOpEndOfBlock = 15;
inline constexpr std::uint8_t kOpLiteral = 16;
inline constexpr std::uint8_t kOpInvalid = 99;

enum HuffResult : int {
  kHuffComplete = 0,
  kHuffIncomplete = 1,  // some bit patterns left free
  kHuffInvalid = 2,     // a length above 16, an over-subscribed code, or missing base tables
  kHuffNoMemory = 3,
};

// Builds the tables of a canonical Huffman code from `n` (<= 288) code lengths. Symbols below
// `s` stand for themselves (Op kOpLiteral below 256, kOpEndOfBlock from 256); symbol v >= s
// gets Value = base[v - s] and Op = extra[v - s]. `width` is the requested first-level width
// on entry and the width used on return. On kHuffComplete or kHuffIncomplete `*table` is the
// first-level table (null, width 0, when all lengths are 0); otherwise nothing is kept.
int BuildHuffTable(const std::uint16_t* lengths, unsigned n, unsigned s, const std::uint16_t* base,
                   const std::uint16_t* extra, HuffEntry** table, int* width);

// Releases a table built by BuildHuffTable with all its sub-tables; null is allowed.
void ReleaseHuffTable(HuffEntry* table);

struct HuffTableRelease {
  void operator()(HuffEntry* table) const { ReleaseHuffTable(table); }
};
using HuffTablePtr = std::unique_ptr<HuffEntry, HuffTableRelease>;

// CRC-32 of ISO 3309 / IEEE 802.3 (reflected 0xEDB88320): continues `crc` over the bytes,
// without the initial or final complement.
std::uint32_t UpdateCrc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace unzip
