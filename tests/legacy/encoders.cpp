#include "tests/legacy/encoders.h"

#include <algorithm>
#include <numeric>
#include <queue>
#include <stdexcept>
#include <unordered_map>

namespace legacy_test {
namespace {

// Bits are packed from the least significant end of each byte.
class BitWriter {
 public:
  void Put(std::uint32_t value, unsigned bits) {
    for (unsigned i = 0; i < bits; ++i) {
      if (used_ == 0) out_.push_back(0);
      if ((value >> i) & 1) out_.back() |= static_cast<std::uint8_t>(1u << used_);
      used_ = (used_ + 1) & 7;
    }
  }
  void PutBytes(const std::vector<std::uint8_t>& bytes) {
    if (used_ != 0) throw std::logic_error("bytes must start on a byte boundary");
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
  unsigned used_ = 0;
};

// ---------------------------------------------------------------------------------------
// Shrink. The encoder keeps the decoder's own table (APPNOTE 5.2: codes defined one step late,
// free codes chained in ascending order, partial clearing frees the childless codes), so the
// codes it sends mean the same on both sides.

constexpr std::int32_t kFirstCode = 257;
constexpr std::int32_t kLastCode = 8192;
constexpr std::int32_t kLastSendable = 8191;  // 13 bits
constexpr std::int32_t kMark = 0x8000;

class ShrinkEncoder {
 public:
  ShrinkEncoder(const ShrinkOptions& o, ShrinkStats& s)
      : options_(o),
        stats_(s),
        prefix_(kLastCode + 1),
        suffix_(kLastCode + 1),
        keyOf_(kLastCode + 1, -1) {
    for (std::int32_t c = kFirstCode; c <= kLastCode; ++c) prefix_[c] = -(c + 1);
  }

  std::vector<std::uint8_t> Run(std::span<const std::uint8_t> in) {
    if (in.empty()) return {};
    out_.Put(in[0], width_);
    oldCode_ = in[0];
    while (width_ < options_.startWidth) Grow();
    std::size_t pos = 1;
    while (pos < in.size()) {
      while (nextClear_ < options_.clearBefore.size() && options_.clearBefore[nextClear_] <= pos) {
        ++nextClear_;
        Clear();
      }
      std::int32_t code = in[pos];
      std::size_t len = 1;
      const bool pending = freeCode_ <= kLastSendable;
      while (pos + len < in.size()) {
        const std::int64_t key = Key(code, in[pos + len]);
        auto it = dict_.find(key);
        if (it != dict_.end() && it->second <= kLastSendable) {
          code = it->second;
          ++len;
          continue;
        }
        if (pending && key == Key(oldCode_, in[pos])) {
          code = freeCode_;
          ++len;
          ++stats_.freeCodesUsed;
        }
        break;
      }
      Send(code);
      Define(in[pos]);
      oldCode_ = code;
      pos += len;
      if (options_.clearWhenFull && freeCode_ > kLastSendable && pos < in.size()) Clear();
    }
    for (unsigned i = 0; i < options_.growthAtEnd; ++i) Grow();
    return out_.Take();
  }

 private:
  static std::int64_t Key(std::int32_t code, std::uint8_t byte) {
    return std::int64_t{code} << 8 | byte;
  }

  void Grow() {
    out_.Put(256, width_);
    out_.Put(1, width_);
    ++width_;
    ++stats_.widthIncreases;
  }

  void Send(std::int32_t code) {
    while (code >= (1 << width_)) Grow();
    out_.Put(static_cast<std::uint32_t>(code), width_);
  }

  void Define(std::uint8_t root) {
    if (freeCode_ > kLastCode) return;
    const std::int32_t c = freeCode_;
    freeCode_ = -prefix_[c];
    prefix_[c] = oldCode_;
    suffix_[c] = root;
    keyOf_[c] = Key(oldCode_, root);
    dict_[keyOf_[c]] = c;
  }

  void Clear() {
    out_.Put(256, width_);
    out_.Put(2, width_);
    ++stats_.partialClears;
    const std::int32_t last = std::min(freeCode_, kLastCode + 1) - 1;
    for (std::int32_t c = kFirstCode; c <= last; ++c) prefix_[c] |= kMark;
    for (std::int32_t c = kFirstCode; c <= last; ++c) {
      if (prefix_[c] < 0) continue;
      const std::int32_t parent = prefix_[c] & ~kMark;
      if (parent >= kFirstCode && prefix_[parent] >= 0) prefix_[parent] &= ~kMark;
    }
    std::int32_t head = last + 1;
    std::int32_t tail = 0;
    for (std::int32_t c = kFirstCode; c <= last; ++c) {
      if (prefix_[c] >= 0 && (prefix_[c] & kMark) == 0) continue;
      if (keyOf_[c] >= 0) {
        auto it = dict_.find(keyOf_[c]);
        if (it != dict_.end() && it->second == c) dict_.erase(it);
        keyOf_[c] = -1;
      }
      if (tail == 0) {
        head = c;
      } else {
        prefix_[tail] = -c;
      }
      tail = c;
    }
    if (tail != 0) prefix_[tail] = -(last + 1);
    freeCode_ = head;
  }

  const ShrinkOptions& options_;
  ShrinkStats& stats_;
  BitWriter out_;
  std::vector<std::int32_t> prefix_;
  std::vector<std::uint8_t> suffix_;
  std::vector<std::int64_t> keyOf_;
  std::unordered_map<std::int64_t, std::int32_t> dict_;
  std::int32_t freeCode_ = kFirstCode;
  std::int32_t oldCode_ = 0;
  unsigned width_ = 9;
  std::size_t nextClear_ = 0;
};

// ---------------------------------------------------------------------------------------
// Implode (APPNOTE 5.3).

// Huffman code lengths for every symbol (all counted at least once, so every symbol gets a
// code and the code is complete), no longer than 16 bits.
std::vector<unsigned> CodeLengths(std::vector<std::uint64_t> freq) {
  const std::size_t n = freq.size();
  for (auto& f : freq) ++f;
  for (;;) {
    using Node = std::pair<std::uint64_t, std::size_t>;
    std::priority_queue<Node, std::vector<Node>, std::greater<>> q;
    std::vector<std::size_t> parent(2 * n, 0);
    for (std::size_t i = 0; i < n; ++i) q.push({freq[i], i});
    std::size_t next = n;
    while (q.size() > 1) {
      auto a = q.top();
      q.pop();
      auto b = q.top();
      q.pop();
      parent[a.second] = parent[b.second] = next;
      q.push({a.first + b.first, next++});
    }
    const std::size_t root = next - 1;
    std::vector<unsigned> lengths(n);
    unsigned longest = 0;
    for (std::size_t i = 0; i < n; ++i) {
      unsigned depth = 0;
      for (std::size_t k = i; k != root; k = parent[k]) ++depth;
      lengths[i] = depth;
      longest = std::max(longest, depth);
    }
    if (longest <= 16) return lengths;
    for (auto& f : freq) f = (f + 1) / 2;
  }
}

// Shannon-Fano codes as APPNOTE 5.3.5 builds them from the lengths: sorted by length (stable),
// counted from the longest code down, then bit-reversed so that they are sent first bit first.
std::vector<std::uint32_t> ShannonFanoCodes(const std::vector<unsigned>& lengths) {
  const std::size_t n = lengths.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return lengths[a] < lengths[b]; });
  std::vector<std::uint32_t> codes(n);
  std::uint32_t code = 0;
  std::uint32_t increment = 0;
  unsigned lastLength = 0;
  for (std::size_t i = n; i-- > 0;) {
    const std::size_t sym = order[i];
    code += increment;
    if (lengths[sym] != lastLength) {
      lastLength = lengths[sym];
      increment = 1u << (16 - lastLength);
    }
    std::uint32_t reversed = 0;
    for (unsigned b = 0; b < 16; ++b) reversed |= ((code >> b) & 1u) << (15 - b);
    codes[sym] = reversed & 0xFFFF;
  }
  return codes;
}

struct Token {
  std::uint32_t distance = 0;  // 0: a literal
  std::uint32_t length = 0;    // or the literal byte
};

std::vector<Token> Parse(std::span<const std::uint8_t> in, const ImplodeOptions& o,
                         unsigned minLength, unsigned maxLength, ImplodeStats& stats) {
  const std::size_t window = o.bigDictionary ? 8192 : 4096;
  std::vector<Token> tokens;
  std::size_t pos = 0;
  if (o.leadingZerosAsMatch) {
    std::size_t zeros = 0;
    while (zeros < in.size() && zeros < maxLength && in[zeros] == 0) ++zeros;
    if (zeros >= minLength) {
      tokens.push_back({static_cast<std::uint32_t>(window), static_cast<std::uint32_t>(zeros)});
      ++stats.matchesBeforeStart;
      pos = zeros;
    }
  }
  constexpr std::size_t kHashSize = 1 << 15;
  std::vector<std::int64_t> head(kHashSize, -1);
  std::vector<std::int64_t> prev(in.size(), -1);
  auto hash = [&](std::size_t p) {
    return ((in[p] << 10) ^ (in[p + 1] << 5) ^ in[p + 2]) & (kHashSize - 1);
  };
  auto insert = [&](std::size_t p) {
    if (p + 2 >= in.size()) return;
    const std::size_t h = hash(p);
    prev[p] = head[h];
    head[h] = static_cast<std::int64_t>(p);
  };
  for (std::size_t p = 0; p < pos; ++p) insert(p);
  while (pos < in.size()) {
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (pos + 2 < in.size()) {
      int chain = 128;
      for (std::int64_t cand = head[hash(pos)]; cand >= 0 && chain-- > 0; cand = prev[cand]) {
        const std::size_t distance = pos - static_cast<std::size_t>(cand);
        if (distance > window) break;
        std::size_t len = 0;
        while (pos + len < in.size() && len < maxLength && in[cand + len] == in[pos + len]) ++len;
        if (len > bestLength) {
          bestLength = len;
          bestDistance = distance;
        }
      }
    }
    if (bestLength >= minLength) {
      tokens.push_back(
          {static_cast<std::uint32_t>(bestDistance), static_cast<std::uint32_t>(bestLength)});
      for (std::size_t k = 0; k < bestLength; ++k) insert(pos + k);
      pos += bestLength;
    } else {
      tokens.push_back({0, in[pos]});
      insert(pos);
      ++pos;
    }
  }
  return tokens;
}

}  // namespace

std::vector<std::uint8_t> Shrink(std::span<const std::uint8_t> input, const ShrinkOptions& options,
                                 ShrinkStats* stats) {
  ShrinkStats local;
  ShrinkEncoder encoder(options, stats != nullptr ? *stats : local);
  return encoder.Run(input);
}

std::vector<std::uint8_t> EncodeTree(const std::vector<unsigned>& lengths) {
  std::vector<std::uint8_t> out(1);  // the count of run bytes, filled in at the end
  for (std::size_t i = 0; i < lengths.size();) {
    std::size_t count = 1;
    while (i + count < lengths.size() && count < 16 && lengths[i + count] == lengths[i]) ++count;
    out.push_back(static_cast<std::uint8_t>(((count - 1) << 4) | (lengths[i] - 1)));
    i += count;
  }
  out[0] = static_cast<std::uint8_t>(out.size() - 2);
  return out;
}

std::vector<std::uint8_t> Implode(std::span<const std::uint8_t> input,
                                  const ImplodeOptions& options, ImplodeStats* stats) {
  ImplodeStats local;
  ImplodeStats& st = stats != nullptr ? *stats : local;
  const unsigned minLength = options.literalTree ? 3 : 2;
  const unsigned maxLength = minLength + 63 + 255;
  const unsigned lowBits = options.bigDictionary ? 7 : 6;
  const std::vector<Token> tokens = Parse(input, options, minLength, maxLength, st);

  std::vector<std::uint64_t> literalFreq(256), lengthFreq(64), distanceFreq(64);
  for (const Token& t : tokens) {
    if (t.distance == 0) {
      ++literalFreq[t.length];
      continue;
    }
    ++lengthFreq[std::min<std::uint32_t>(t.length - minLength, 63)];
    ++distanceFreq[(t.distance - 1) >> lowBits];
  }
  const auto literalLengths = CodeLengths(literalFreq);
  const auto lengthLengths = CodeLengths(lengthFreq);
  const auto distanceLengths = CodeLengths(distanceFreq);
  const auto literalCodes = ShannonFanoCodes(literalLengths);
  const auto lengthCodes = ShannonFanoCodes(lengthLengths);
  const auto distanceCodes = ShannonFanoCodes(distanceLengths);

  BitWriter out;
  if (options.literalTree) out.PutBytes(EncodeTree(literalLengths));
  out.PutBytes(EncodeTree(lengthLengths));
  out.PutBytes(EncodeTree(distanceLengths));
  for (const Token& t : tokens) {
    if (t.distance == 0) {
      ++st.literals;
      out.Put(1, 1);
      if (options.literalTree) {
        out.Put(literalCodes[t.length], literalLengths[t.length]);
      } else {
        out.Put(t.length, 8);
      }
      continue;
    }
    ++st.matches;
    out.Put(0, 1);
    const std::uint32_t d = t.distance - 1;
    out.Put(d & ((1u << lowBits) - 1), lowBits);
    const std::uint32_t ds = d >> lowBits;
    out.Put(distanceCodes[ds], distanceLengths[ds]);
    const std::uint32_t ls = std::min<std::uint32_t>(t.length - minLength, 63);
    out.Put(lengthCodes[ls], lengthLengths[ls]);
    if (ls == 63) {
      out.Put(t.length - minLength - 63, 8);
      ++st.longMatches;
    }
  }
  return out.Take();
}

}  // namespace legacy_test
