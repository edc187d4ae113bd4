// Folders, archives built by hand with every field spelled out, deflate bit streams, and an
// independent CRC-32 for the extractor's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "unzip/ziptypes.h"

namespace unzip_test {

using unzip::ReportRecord;
using Bytes = std::vector<std::uint8_t>;

std::filesystem::path FixtureDir();
Bytes ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const Bytes& bytes);
Bytes ToBytes(const std::string& text);

// A fresh folder below the system temp folder, removed with its contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The Windows path under which the extractor sees a host path.
std::string Win(const std::filesystem::path& host);

// CRC-32 computed bit by bit (reflected 0xEDB88320), independent of the extractor's tables.
std::uint32_t BitwiseCrc32(const Bytes& data);

// A DOS date (high 16 bits) and time (low 16 bits).
std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);

// One member of a hand-built archive. `data` is stored as given (already compressed for
// method 8); the header fields default to what a correct archive holds and can be overridden.
struct ZipMember {
  std::string name;
  Bytes data;     // the member's data as stored in the archive
  Bytes content;  // the uncompressed content (for CRC and size)
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint32_t dosTime = DosDateTime(2020, 5, 17, 13, 45, 30);
  std::uint8_t hostSystem = 0;  // 0 = MS-DOS
  std::uint8_t attributes = 0x20;
  bool useCrcOverride = false;
  std::uint32_t crcOverride = 0;
  bool useSizeOverride = false;
  std::uint32_t sizeOverride = 0;  // uncompressed size written in both headers
  bool descriptor = false;         // flag bit 3: sizes and CRC after the data
  bool descriptorSignature = true;
  std::uint8_t localSignature[4] = {'P', 'K', 3, 4};
};

// Stored member holding `text`.
ZipMember Stored(const std::string& name, const std::string& text);

// Local headers and data, then the central directory and its end record; `comment` is the
// archive comment.
Bytes BuildZip(const std::vector<ZipMember>& members, const std::string& comment = "");

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

// Every regular file below `root`, relative path -> contents.
std::vector<std::pair<std::string, Bytes>> Tree(const std::filesystem::path& root);

}  // namespace unzip_test
