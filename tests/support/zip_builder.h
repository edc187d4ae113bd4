// Zip archives built by hand with every field spelled out (PKWARE APPNOTE 4.3): local
// headers with their data, the central directory and its end record; and an independent
// CRC-32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace setup::testing {

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

}  // namespace setup::testing
