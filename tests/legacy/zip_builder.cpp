#include "tests/legacy/zip_builder.h"

#include "unzip/decode_state.h"

namespace legacy_test {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// 1999-05-15 10:20:30 in MS-DOS form.
constexpr std::uint16_t kDosTime = (10 << 11) | (20 << 5) | (30 / 2);
constexpr std::uint16_t kDosDate = ((1999 - 1980) << 9) | (5 << 5) | 15;

}  // namespace

std::uint32_t Crc32(const std::vector<std::uint8_t>& content) {
  return ~unzip::UpdateCrc32(0xFFFFFFFFu, content.data(), content.size());
}

std::vector<std::uint8_t> BuildZip(const std::vector<ZipMember>& members,
                                   std::vector<std::uint32_t>* headerOffsets) {
  std::vector<std::uint8_t> out;
  std::vector<std::uint32_t> offsets;
  for (const ZipMember& m : members) {
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    Put32(out, 0x04034B50);  // local file header signature "PK" 03 04
    Put16(out, 10);          // version needed to extract: 1.0
    Put16(out, m.flags);     // general purpose bit flag
    Put16(out, m.method);    // compression method
    Put16(out, kDosTime);    // last mod file time
    Put16(out, kDosDate);    // last mod file date
    Put32(out, m.crc);       // crc-32
    Put32(out, static_cast<std::uint32_t>(m.data.size()));  // compressed size
    Put32(out, m.uncompressedSize);                         // uncompressed size
    Put16(out, static_cast<std::uint32_t>(m.name.size()));  // file name length
    Put16(out, 0);                                          // extra field length
    out.insert(out.end(), m.name.begin(), m.name.end());    // file name
    out.insert(out.end(), m.data.begin(), m.data.end());    // file data
  }
  const auto directoryStart = static_cast<std::uint32_t>(out.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    const ZipMember& m = members[i];
    Put32(out, 0x02014B50);  // central file header signature "PK" 01 02
    Put16(out, 10);          // version made by: 1.0, MS-DOS
    Put16(out, 10);          // version needed to extract: 1.0
    Put16(out, m.flags);     // general purpose bit flag
    Put16(out, m.method);    // compression method
    Put16(out, kDosTime);    // last mod file time
    Put16(out, kDosDate);    // last mod file date
    Put32(out, m.crc);       // crc-32
    Put32(out, static_cast<std::uint32_t>(m.data.size()));  // compressed size
    Put32(out, m.uncompressedSize);                         // uncompressed size
    Put16(out, static_cast<std::uint32_t>(m.name.size()));  // file name length
    Put16(out, 0);                                          // extra field length
    Put16(out, 0);                                          // file comment length
    Put16(out, 0);                                          // disk number start
    Put16(out, 0);                                          // internal file attributes
    Put32(out, 0x20);                                       // external attributes: archive
    Put32(out, offsets[i]);                                 // relative offset of local header
    out.insert(out.end(), m.name.begin(), m.name.end());    // file name
  }
  const auto directorySize = static_cast<std::uint32_t>(out.size()) - directoryStart;
  Put32(out, 0x06054B50);  // end of central dir signature "PK" 05 06
  Put16(out, 0);           // number of this disk
  Put16(out, 0);           // disk where the central directory starts
  Put16(out, static_cast<std::uint32_t>(members.size()));  // entries on this disk
  Put16(out, static_cast<std::uint32_t>(members.size()));  // entries in total
  Put32(out, directorySize);                               // size of the central directory
  Put32(out, directoryStart);                              // offset of the central directory
  Put16(out, 0);                                           // comment length
  if (headerOffsets != nullptr) *headerOffsets = offsets;
  return out;
}

}  // namespace legacy_test
