#include "tests/unzip/support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "unzip/inflate.h"

#ifndef _WIN32
#include "platform/posix/prefix.h"
#endif

namespace unzip_test {
namespace {

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

}  // namespace

std::vector<Report> gReports;

std::filesystem::path FixtureDir() { return SETUP_ZIP_FIXTURES; }

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto p = std::filesystem::temp_directory_path() / ("unzip-" + std::to_string(rd()));
    if (std::filesystem::create_directory(p)) {
      path_ = p;
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string Win(const std::filesystem::path& host) {
#ifdef _WIN32
  return std::filesystem::absolute(host).string();
#else
  return plat::posix::HostToWindows(std::filesystem::absolute(host).lexically_normal().string());
#endif
}

std::uint32_t BitwiseCrc32(const Bytes& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  const std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
  const std::uint32_t time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}

ZipMember Stored(const std::string& name, const std::string& text) {
  ZipMember m;
  m.name = name;
  m.data = ToBytes(text);
  m.content = m.data;
  return m;
}

Bytes BuildZip(const std::vector<ZipMember>& members, const std::string& comment) {
  Bytes out;
  std::vector<std::uint32_t> offsets;
  for (const ZipMember& m : members) {
    const std::uint32_t crc = m.useCrcOverride ? m.crcOverride : BitwiseCrc32(m.content);
    const std::uint32_t size =
        m.useSizeOverride ? m.sizeOverride : static_cast<std::uint32_t>(m.content.size());
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), m.localSignature, m.localSignature + 4);  // local header signature
    Put16(out, 20);                                // version needed to extract: 2.0
    Put16(out, m.flags | (m.descriptor ? 8 : 0));  // general purpose flags
    Put16(out, m.method);                          // compression method
    Put32(out, m.dosTime);                         // time (low 16 bits), date (high 16 bits)
    Put32(out, m.descriptor ? 0 : crc);            // CRC-32, 0 when deferred
    Put32(out, m.descriptor ? 0 : static_cast<std::uint32_t>(m.data.size()));  // compressed
    Put32(out, m.descriptor ? 0 : size);                                       // uncompressed
    Put16(out, static_cast<std::uint32_t>(m.name.size()));                     // file name length
    Put16(out, 0);                                                             // extra field length
    PutText(out, m.name);                                                      // file name
    out.insert(out.end(), m.data.begin(), m.data.end());                       // member data
    if (m.descriptor) {
      if (m.descriptorSignature) PutText(out, "PK\x07\x08");  // optional descriptor signature
      Put32(out, crc);                                        // CRC-32
      Put32(out, static_cast<std::uint32_t>(m.data.size()));  // compressed size
      Put32(out, size);                                       // uncompressed size
    }
  }
  const std::uint32_t directory = static_cast<std::uint32_t>(out.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    const ZipMember& m = members[i];
    const std::uint32_t crc = m.useCrcOverride ? m.crcOverride : BitwiseCrc32(m.content);
    const std::uint32_t size =
        m.useSizeOverride ? m.sizeOverride : static_cast<std::uint32_t>(m.content.size());
    PutText(out, "PK\x01\x02");                             // central header signature
    out.push_back(20);                                      // version made by: 2.0
    out.push_back(m.hostSystem);                            // host system (0 = MS-DOS)
    Put16(out, 20);                                         // version needed to extract
    Put16(out, m.flags | (m.descriptor ? 8 : 0));           // general purpose flags
    Put16(out, m.method);                                   // compression method
    Put32(out, m.dosTime);                                  // time and date
    Put32(out, crc);                                        // CRC-32
    Put32(out, static_cast<std::uint32_t>(m.data.size()));  // compressed size
    Put32(out, size);                                       // uncompressed size
    Put16(out, static_cast<std::uint32_t>(m.name.size()));  // file name length
    Put16(out, 0);                                          // extra field length
    Put16(out, 0);                                          // file comment length
    Put16(out, 0);                                          // disk number start
    Put16(out, 0);                                          // internal attributes
    Put32(out, m.attributes);                               // external attributes
    Put32(out, offsets[i]);                                 // offset of the local header
    PutText(out, m.name);                                   // file name
  }
  const std::uint32_t directorySize = static_cast<std::uint32_t>(out.size()) - directory;
  PutText(out, "PK\x05\x06");                              // end record signature
  Put16(out, 0);                                           // this disk
  Put16(out, 0);                                           // disk of the directory
  Put16(out, static_cast<std::uint32_t>(members.size()));  // entries on this disk
  Put16(out, static_cast<std::uint32_t>(members.size()));  // entries in all
  Put32(out, directorySize);                               // directory size
  Put32(out, directory);                                   // directory offset
  Put16(out, static_cast<std::uint32_t>(comment.size()));  // comment length
  PutText(out, comment);                                   // archive comment
  return out;
}

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
