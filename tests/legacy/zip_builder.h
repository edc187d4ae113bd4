// Writes small zip archives for the tests, field by field: local headers with their data, the
// central directory and its end record (PKWARE APPNOTE 4.3).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace legacy_test {

struct ZipMember {
  std::string name;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint32_t crc = 0;  // CRC-32 of the uncompressed content
  std::uint32_t uncompressedSize = 0;
  std::vector<std::uint8_t> data;  // the compressed data as stored
};

// The whole archive. `headerOffsets`, when given, receives each member's local header offset.
std::vector<std::uint8_t> BuildZip(const std::vector<ZipMember>& members,
                                   std::vector<std::uint32_t>* headerOffsets = nullptr);

// CRC-32 of a content, for filling ZipMember::crc.
std::uint32_t Crc32(const std::vector<std::uint8_t>& content);

}  // namespace legacy_test
