// Deflate bit streams written by hand, in-memory inflation and recorded reports for the
// extractor's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unzip/ziptypes.h"
#include "zip_builder.h"

namespace unzip_test {

using namespace setup::testing;
using unzip::ReportRecord;

// Deflate bit stream writer: fields least significant bit first, Huffman codes most
// significant bit first.
class BitWriter {
 public:
  void Bits(std::uint32_t value, unsigned count);
  void Code(std::uint32_t code, unsigned length);
  void AlignToByte();
  void Byte(std::uint8_t b) { Bits(b, 8); }
  Bytes Finish();

 private:
  Bytes out_;
  std::uint32_t acc_ = 0;
  unsigned n_ = 0;
};

// Fixed Huffman codes of RFC 1951, 3.2.6.
void FixedLiteral(BitWriter& w, unsigned symbol);   // literal/length symbol 0..287
void FixedDistance(BitWriter& w, unsigned symbol);  // distance symbol 0..31

// Canonical Huffman codes for the given lengths (RFC 1951, 3.2.2); 0 for unused symbols.
std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths);

// One code-length symbol of a dynamic block header with its extra bits.
struct LengthSymbol {
  unsigned symbol;
  unsigned extra = 0;
};
// A dynamic block header: HLIT, HDIST, the code-length code's lengths (in symbol order
// 0..18, written in the header's permuted order, HCLEN of them) and the symbol sequence.
void DynamicHeader(BitWriter& w, unsigned hlit, unsigned hdist, const std::vector<unsigned>& cl,
                   unsigned hclen, const std::vector<LengthSymbol>& sequence);
// The sequence that spells out `lengths` one by one (symbols 0..15 only).
std::vector<LengthSymbol> Plain(const std::vector<unsigned>& lengths);

// The result of decoding a raw deflate stream in memory.
struct Inflated {
  std::int32_t result = 0;
  Bytes output;
  std::vector<std::size_t> pieces;  // sizes of the writes, in order
};
Inflated InflateBytes(const Bytes& stream);

// Records the reports of a run.
struct Report {
  std::int32_t first;
  ReportRecord record;
};
extern std::vector<Report> gReports;
void RecordReport(std::int32_t first, ReportRecord* record);

// Real archives of stored and deflated members (tests/fixtures/zip).
inline const std::vector<std::string> kStoredAndDeflated = {
    "commons-compress/mixed.zip",
    "pkzip-dos/PKZ204EF.ZIP",
    "pkzip-dos/PKZ204EN.ZIP",
    "pkzip-dos/PKZ204ES.ZIP",
    "pkzip-dos/PKZ204EX.ZIP",
    "zip2-legacy/data_descriptor.zip",
    "zip2-legacy/files_and_dirs.zip",
    "sharpcompress/Zip.EntryComment.zip",
    "sharpcompress/Zip.LongComment.zip",
    "sharpcompress/Zip.none.datadescriptors.zip"};

// Every regular file below `root`, relative path -> contents.
std::vector<std::pair<std::string, Bytes>> Tree(const std::filesystem::path& root);

}  // namespace unzip_test
