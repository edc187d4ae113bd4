// The Info-ZIP peer and a central directory reader for the legacy decoder tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "zip_builder.h"

namespace legacy_test {

using namespace setup::testing;

// Info-ZIP unzip, where the tests can run it (not under Wine): whether it is there, the exit
// status of `unzip -tqq` on an archive holding `stream` as the data of one member of that
// method and flags, and the bytes of `unzip -p` for one member.
bool HaveInfoZip();
int InfoZipTest(std::uint16_t method, std::uint16_t flags, const Bytes& content,
                const Bytes& stream);
std::optional<Bytes> InfoZipExtract(const std::filesystem::path& archive,
                                    const std::string& member);

// One entry of a central directory, read by the tests themselves.
struct DirectoryEntry {
  std::string name;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint32_t headerOffset = 0;
};
std::vector<DirectoryEntry> ReadDirectory(const Bytes& archive);

// The member's compressed data, found through its local header.
Bytes MemberData(const Bytes& archive, const DirectoryEntry& entry);

}  // namespace legacy_test
