// Method 1 (shrink): dynamic LZW with codes of 9 to 13 bits, control code 256 for growing the
// code width (256, 1) and for partial clearing (256, 2), which frees every code without a
// child. Decoded bytes are written in pieces of 767 bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "unzip/decode_state.h"
#include "unzip/legacy.h"
#include "unzip/ziptypes.h"

namespace unzip {
namespace {

constexpr std::int32_t kControlCode = 256;
constexpr std::int32_t kFirstCode = 257;  // lowest code that stands for a string
constexpr std::int32_t kLastCode = 8192;  // highest code the tables hold
constexpr std::int32_t kCodeCount = kLastCode - kFirstCode + 1;
constexpr unsigned kFirstWidth = 9;
constexpr unsigned kLastWidth = 13;
constexpr std::int32_t kStackTop = 8192;
constexpr std::size_t kPieceSize = 767;
// Marks a code during partial clearing; real prefix codes never reach this bit.
constexpr std::int32_t kLeafMark = 0x8000;
constexpr std::int32_t kDeferredSize = 2147483647;

// The work area, laid over the start of the decoding window. A prefix entry holds the code
// of the prefix of a defined code, or the negated number of the next free code for a free
// one, so the free codes form a chain.
struct ShrinkWork {
  std::int32_t prefix[kCodeCount];  // codes 257..8192
  std::uint8_t suffix[kCodeCount];  // codes 257..8192
  std::uint8_t stack[kStackTop + 1];
  std::uint8_t piece[kPieceSize];
};
static_assert(sizeof(ShrinkWork) == 48640, "the shrink work area is 48640 bytes");
static_assert(sizeof(ShrinkWork) <= kWorkAreaSize, "the shrink tables must fit the work area");

class Unshrinker {
 public:
  Unshrinker(DecodeState& d, ShrinkWork& work) : d_(d), t_(work) {}

  std::int32_t Run() {
    DecodeState& d = d_;
    for (std::int32_t code = kFirstCode; code <= kLastCode; ++code) Prefix(code) = -(code + 1);

    // A member with less than one code of data yields nothing.
    std::int64_t bitsLeft = std::int64_t{d.compressedSize} * 8 - kFirstWidth;
    if (bitsLeft >= 0) {
      const std::int32_t first = ReadCode(kFirstWidth);
      if (!Put(static_cast<std::uint8_t>(first))) return kWriteError;
      oldCode_ = first;
      lastByte_ = static_cast<std::uint8_t>(first);
    }

    while (!d.abort && !d.endOfInput && bitsLeft >= width_) {
      const std::int32_t code = ReadCode(width_);
      bitsLeft -= width_;
      if (code == kControlCode) {
        const std::int32_t action = ReadCode(width_);
        bitsLeft -= width_;
        if (action == 1) {
          if (++width_ > kLastWidth) return kStructureError;
        } else if (action == 2) {
          PartialClear();
        } else {
          return kStructureError;
        }
        continue;
      }
      const std::int32_t result = Emit(code);
      if (result != kUnzipOk) return result;
      DefineNext();
      oldCode_ = code;
    }

    if (d.abort) return kAborted;
    if (!WriteOutput(d, t_.piece, buffered_)) return kWriteError;
    return d.endOfInput ? kReadError : kUnzipOk;
  }

 private:
  std::int32_t& Prefix(std::int32_t code) { return t_.prefix[code - kFirstCode]; }
  std::uint8_t& Suffix(std::int32_t code) { return t_.suffix[code - kFirstCode]; }

  std::int32_t ReadCode(unsigned width) {
    NeedBits(d_, width);
    const std::int32_t code = static_cast<std::int32_t>(PeekBits(d_, width));
    DumpBits(d_, width);
    return code;
  }

  bool Put(std::uint8_t byte) {
    t_.piece[buffered_++] = byte;
    if (buffered_ < kPieceSize) return true;
    buffered_ = 0;
    return WriteOutput(d_, t_.piece, kPieceSize);
  }

  // Outputs the string of a literal or string code. A free code stands for the previous
  // string followed by that string's first byte (the code the encoder has just defined);
  // the same holds for a free code met on the way to the root, whose prefix was cleared
  // after the code was defined.
  std::int32_t Emit(std::int32_t code) {
    if (code < kControlCode) {
      lastByte_ = static_cast<std::uint8_t>(code);
      return Put(lastByte_) ? kUnzipOk : kWriteError;
    }
    std::int32_t top = kStackTop + 1;  // the stack holds [top, kStackTop]
    while (code > kControlCode) {
      // A string longer than the stack is a loop in the table.
      if (top == 0 || code > kLastCode) return kStructureError;
      const std::int32_t entry = Prefix(code);
      if (entry < 0) {
        t_.stack[--top] = lastByte_;
        code = oldCode_;
      } else {
        t_.stack[--top] = Suffix(code);
        code = entry;
      }
    }
    if (code == kControlCode) return kStructureError;
    lastByte_ = static_cast<std::uint8_t>(code);
    if (!Put(lastByte_)) return kWriteError;
    while (top <= kStackTop) {
      if (!Put(t_.stack[top++])) return kWriteError;
    }
    return kUnzipOk;
  }

  // The decoder defines each code one step after the encoder: the previous code followed by
  // the first byte of the current string.
  void DefineNext() {
    if (freeCode_ > kLastCode) return;
    const std::int32_t code = freeCode_;
    freeCode_ = -Prefix(code);
    Prefix(code) = oldCode_;
    Suffix(code) = lastByte_;
  }

  // Frees every code below the next free code that has no child, and chains the free codes
  // in ascending order in front of the codes that were never used.
  void PartialClear() {
    const std::int32_t last = std::min(freeCode_, kLastCode + 1) - 1;
    for (std::int32_t code = kFirstCode; code <= last; ++code) Prefix(code) |= kLeafMark;
    for (std::int32_t code = kFirstCode; code <= last; ++code) {
      const std::int32_t entry = Prefix(code);
      if (entry < 0) continue;
      const std::int32_t parent = entry & ~kLeafMark;
      if (parent > kControlCode && parent <= kLastCode && Prefix(parent) >= 0) {
        Prefix(parent) &= ~kLeafMark;
      }
    }
    std::int32_t head = last + 1;
    std::int32_t tail = 0;
    for (std::int32_t code = kFirstCode; code <= last; ++code) {
      const std::int32_t entry = Prefix(code);
      if (entry >= 0 && (entry & kLeafMark) == 0) continue;
      if (tail == 0) {
        head = code;
      } else {
        Prefix(tail) = -code;
      }
      tail = code;
    }
    if (tail != 0) Prefix(tail) = -(last + 1);
    freeCode_ = head;
  }

  DecodeState& d_;
  ShrinkWork& t_;
  std::int32_t freeCode_ = kFirstCode;
  unsigned width_ = kFirstWidth;
  std::int32_t oldCode_ = 0;
  std::uint8_t lastByte_ = 0;
  std::size_t buffered_ = 0;
};

}  // namespace

std::int32_t Unshrink(DecodeState& d) {
  if (d.compressedSize == kDeferredSize) return kUnsupportedMethod;
  if (d.window == nullptr ||
      reinterpret_cast<std::uintptr_t>(d.window) % alignof(ShrinkWork) != 0) {
    std::fputs("Unshrink: no aligned work area in the decoding state\n", stderr);
    std::abort();
  }
  ResetInput(d);
  ShrinkWork* work = new (d.window) ShrinkWork;
  return Unshrinker(d, *work).Run();
}

}  // namespace unzip
