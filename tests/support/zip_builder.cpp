#include "zip_builder.h"

namespace setup::testing {
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

}  // namespace setup::testing
