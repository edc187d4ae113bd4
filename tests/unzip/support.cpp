#include "tests/unzip/support.h"

#include <algorithm>

#include "unzip/inflate.h"

namespace unzip_test {

std::vector<Report> gReports;

void BitWriter::Bits(std::uint32_t value, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    acc_ |= ((value >> i) & 1u) << n_;
    if (++n_ == 8) {
      out_.push_back(static_cast<std::uint8_t>(acc_));
      acc_ = 0;
      n_ = 0;
    }
  }
}

void BitWriter::Code(std::uint32_t code, unsigned length) {
  for (unsigned i = length; i-- > 0;) Bits((code >> i) & 1u, 1);
}

void BitWriter::AlignToByte() {
  if (n_ != 0) Bits(0, 8 - n_);
}

Bytes BitWriter::Finish() {
  AlignToByte();
  return out_;
}

void FixedLiteral(BitWriter& w, unsigned symbol) {
  if (symbol < 144) {
    w.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    w.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    w.Code(symbol - 256, 7);
  } else {
    w.Code(0xC0 + symbol - 280, 8);
  }
}

void FixedDistance(BitWriter& w, unsigned symbol) { w.Code(symbol, 5); }

std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths) {
  unsigned count[16] = {};
  for (unsigned l : lengths) ++count[l];
  count[0] = 0;
  std::uint32_t next[16] = {};
  std::uint32_t code = 0;
  for (unsigned bits = 1; bits < 16; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<std::uint32_t> codes(lengths.size());
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    if (lengths[i] != 0) codes[i] = next[lengths[i]]++;
  }
  return codes;
}

void DynamicHeader(BitWriter& w, unsigned hlit, unsigned hdist, const std::vector<unsigned>& cl,
                   unsigned hclen, const std::vector<LengthSymbol>& sequence) {
  static const unsigned kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                      11, 4,  12, 3, 13, 2, 14, 1, 15};
  w.Bits(hlit - 257, 5);  // HLIT
  w.Bits(hdist - 1, 5);   // HDIST
  w.Bits(hclen - 4, 4);   // HCLEN
  for (unsigned i = 0; i < hclen; ++i) w.Bits(cl[kOrder[i]], 3);
  const auto codes = CanonicalCodes(cl);
  for (const LengthSymbol& s : sequence) {
    w.Code(codes[s.symbol], cl[s.symbol]);
    if (s.symbol == 16) w.Bits(s.extra, 2);
    if (s.symbol == 17) w.Bits(s.extra, 3);
    if (s.symbol == 18) w.Bits(s.extra, 7);
  }
}

std::vector<LengthSymbol> Plain(const std::vector<unsigned>& lengths) {
  std::vector<LengthSymbol> out;
  for (unsigned l : lengths) out.push_back({l});
  return out;
}

Inflated InflateBytes(const Bytes& stream) {
  Inflated r;
  r.result = unzip::InflateBuffer(stream.data(), stream.size(),
                                  [&r](const std::uint8_t* data, std::size_t size) {
                                    r.output.insert(r.output.end(), data, data + size);
                                    r.pieces.push_back(size);
                                    return true;
                                  });
  return r;
}

void RecordReport(std::int32_t first, ReportRecord* record) {
  gReports.push_back(Report{first, *record});
}

std::vector<std::pair<std::string, Bytes>> Tree(const std::filesystem::path& root) {
  std::vector<std::pair<std::string, Bytes>> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    const std::string rel = std::filesystem::relative(e.path(), root).generic_string();
    if (e.is_directory()) {
      files.emplace_back(rel + "/", Bytes{});
    } else {
      files.emplace_back(rel, ReadAll(e.path()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace unzip_test
