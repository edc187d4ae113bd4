// Zip archives written by hand, field by field (PKWARE APPNOTE 4.3.7 local header, 4.3.12
// central directory header, 4.3.16 end of central directory record), so that every field of
// a hostile archive can be set to what the case needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup::hostile {

struct Member {
  std::string name;                   // as stored: "/" separators, no conversion
  std::string data;                   // the member's data as stored (compressed for method 8)
  std::string content;                // the uncompressed content, for the CRC and the size
  std::uint16_t method = 0;           // 0 stored, 8 deflated
  std::uint16_t flags = 0;            // general purpose bits; bit 3 = sizes after the data
  std::optional<std::uint32_t> size;  // uncompressed size written in both headers
  std::optional<std::uint32_t> compressedSize;  // compressed size written in both headers
  std::optional<std::uint32_t> crc;             // CRC-32 written in both headers
  std::optional<std::uint32_t> headerOffset;    // the central entry's local header offset
  bool centralOnly = false;  // no local header and data of its own (points at another's)
  std::string extra;         // the central header's extra field, as stored
  std::string comment;       // the entry comment
  bool zip64 = false;        // sizes (and the offset) as 0xFFFFFFFF with a Zip64 extra field
  bool damaged = false;      // the central header's signature is "PK" 1 3
};

struct Archive {
  std::vector<Member> members;
  std::optional<std::uint32_t> directoryOffset;  // the end record's directory offset
  std::string comment;                           // the archive comment after the end record
  std::optional<std::uint16_t> entryCount;       // the end record's entry counts
  bool zip64End = false;    // a Zip64 end record and locator before the end record
  bool badLocator = false;  // the locator points at the directory, not the Zip64 record
  std::string Bytes() const;
};

// The raw deflate stream (no zlib header) of `content`, made with zlib.
std::string Deflate(const std::string& content);
std::uint32_t Crc32(const std::string& content);
// One extra field block: its id, its length and its data.
std::string ExtraBlock(std::uint16_t id, const std::string& data);

}  // namespace setup::hostile
