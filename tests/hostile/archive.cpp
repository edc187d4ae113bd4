#include "archive.h"

#include <zlib.h>

#include <stdexcept>

namespace setup::hostile {

namespace {

// `value` as `width` bytes, least significant first.
void Put(std::string& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put16(std::string& out, std::uint32_t v) { Put(out, v, 2); }
void Put32(std::string& out, std::uint32_t v) { Put(out, v, 4); }
void Put64(std::string& out, std::uint64_t v) { Put(out, v, 8); }
std::string Le64(std::uint64_t v) {
  std::string out;
  Put64(out, v);
  return out;
}

constexpr std::uint32_t kDosTime = 0x50B16D6F;  // 2020-05-17 13:43:30, date in the high half

}  // namespace

std::uint32_t Crc32(const std::string& content) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
}

std::string Deflate(const std::string& content) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, content.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  z.avail_in = static_cast<uInt>(content.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int r = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (r != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

std::string ExtraBlock(std::uint16_t id, const std::string& data) {
  std::string out;
  Put16(out, id);                                       // header id
  Put16(out, static_cast<std::uint32_t>(data.size()));  // data size
  return out + data;                                    // data
}

std::string Archive::Bytes() const {
  std::string out;
  std::vector<std::uint32_t> offsets;
  for (const Member& m : members) {
    offsets.push_back(static_cast<std::uint32_t>(out.size()));
    if (m.centralOnly) continue;
    const bool deferred = (m.flags & 0x0008) != 0;
    const auto size = m.size.value_or(static_cast<std::uint32_t>(m.content.size()));
    const auto compressed = m.compressedSize.value_or(static_cast<std::uint32_t>(m.data.size()));
    // Zip64: both sizes in the local extra field, uncompressed first.
    const std::string localExtra = m.zip64 ? ExtraBlock(0x0001, Le64(size) + Le64(compressed)) : "";
    Put32(out, 0x04034B50);  // local file header signature "PK" 3 4
    Put16(out, 20);          // version needed to extract: 2.0
    Put16(out, m.flags);     // general purpose bit flag
    Put16(out, m.method);    // compression method
    Put32(out, kDosTime);    // last mod file time (low half) and date (high half)
    Put32(out, deferred ? 0 : m.crc.value_or(Crc32(m.content)));   // CRC-32
    Put32(out, deferred ? 0 : m.zip64 ? 0xFFFFFFFF : compressed);  // compressed size
    Put32(out, deferred ? 0 : m.zip64 ? 0xFFFFFFFF : size);        // uncompressed size
    Put16(out, static_cast<std::uint32_t>(m.name.size()));         // file name length
    Put16(out, static_cast<std::uint32_t>(localExtra.size()));     // extra field length
    out += m.name;                                                 // file name
    out += localExtra;                                             // extra field
    out += m.data;                                                 // file data
    if (deferred) {
      Put32(out, 0x08074B50);                                 // data descriptor signature "PK" 7 8
      Put32(out, m.crc.value_or(Crc32(m.content)));           // CRC-32
      Put32(out, static_cast<std::uint32_t>(m.data.size()));  // compressed size
      Put32(out, static_cast<std::uint32_t>(m.content.size()));  // uncompressed size
    }
  }
  const auto directory = static_cast<std::uint32_t>(out.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    const Member& m = members[i];
    const auto size = m.size.value_or(static_cast<std::uint32_t>(m.content.size()));
    const auto compressed = m.compressedSize.value_or(static_cast<std::uint32_t>(m.data.size()));
    const auto offset = m.headerOffset.value_or(offsets[i]);
    // Zip64: uncompressed size, compressed size and local header offset, in this order.
    const std::string extra =
        (m.zip64 ? ExtraBlock(0x0001, Le64(size) + Le64(compressed) + Le64(offset)) : "") + m.extra;
    Put32(out, m.damaged ? 0x03014B50 : 0x02014B50);  // central file header signature "PK" 1 2
    Put16(out, 20);                                 // version made by: 2.0 on MS-DOS (high byte 0)
    Put16(out, m.zip64 ? 45 : 20);                  // version needed to extract (4.5: Zip64)
    Put16(out, m.flags);                            // general purpose bit flag
    Put16(out, m.method);                           // compression method
    Put32(out, kDosTime);                           // last mod file time and date
    Put32(out, m.crc.value_or(Crc32(m.content)));   // CRC-32
    Put32(out, m.zip64 ? 0xFFFFFFFF : compressed);  // compressed size
    Put32(out, m.zip64 ? 0xFFFFFFFF : size);        // uncompressed size
    Put16(out, static_cast<std::uint32_t>(m.name.size()));     // file name length
    Put16(out, static_cast<std::uint32_t>(extra.size()));      // extra field length
    Put16(out, static_cast<std::uint32_t>(m.comment.size()));  // file comment length
    Put16(out, 0);                                             // disk number start
    Put16(out, 0);                                             // internal file attributes
    Put32(out, 0x20);                                          // external attributes: archive bit
    Put32(out, m.zip64 ? 0xFFFFFFFF : offset);                 // relative offset of local header
    out += m.name;                                             // file name
    out += extra;                                              // extra field
    out += m.comment;                                          // file comment
  }
  const auto size = static_cast<std::uint32_t>(out.size()) - directory;
  const std::uint32_t count = entryCount.value_or(static_cast<std::uint16_t>(members.size()));
  if (zip64End) {
    const auto record = static_cast<std::uint64_t>(out.size());
    Put32(out, 0x06064B50);                           // Zip64 end of central dir signature "PK" 6 6
    Put64(out, 44);                                   // size of the rest of this record
    Put16(out, 45);                                   // version made by
    Put16(out, 45);                                   // version needed to extract
    Put32(out, 0);                                    // number of this disk
    Put32(out, 0);                                    // disk where the directory starts
    Put64(out, count);                                // entries on this disk
    Put64(out, count);                                // entries in all
    Put64(out, size);                                 // size of the central directory
    Put64(out, directoryOffset.value_or(directory));  // offset of the directory
    Put32(out, 0x07064B50);                           // Zip64 end of central dir locator "PK" 6 7
    Put32(out, 0);                                    // disk of the Zip64 end record
    Put64(out, badLocator ? directory : record);      // offset of the Zip64 end record
    Put32(out, 1);                                    // number of disks
  }
  Put32(out, 0x06054B50);                    // end of central dir signature
  Put16(out, 0);                             // number of this disk
  Put16(out, 0);                             // disk where the directory starts
  Put16(out, zip64End ? 0xFFFF : count);     // entries on this disk
  Put16(out, zip64End ? 0xFFFF : count);     // entries in all
  Put32(out, zip64End ? 0xFFFFFFFF : size);  // size of the central directory
  Put32(out, zip64End ? 0xFFFFFFFF : directoryOffset.value_or(directory));  // its offset
  Put16(out, static_cast<std::uint32_t>(comment.size()));                   // comment length
  out += comment;                                                           // archive comment
  return out;
}

}  // namespace setup::hostile
