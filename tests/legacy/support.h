// Files, folders and the Info-ZIP peer for the legacy decoder tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace legacy_test {

using Bytes = std::vector<std::uint8_t>;

// The folder of the real archives (SOURCES.md there says where each comes from).
std::filesystem::path FixtureDir();

Bytes ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const Bytes& bytes);

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

// The path of a host file as the extractor takes it (a Windows path).
std::string ExtractorPath(const std::filesystem::path& host);

// Info-ZIP unzip, where the tests can run it (not under Wine): whether it is there, the exit
// status of `unzip -tqq`, and the bytes of `unzip -p` for one member.
bool HaveInfoZip();
int InfoZipTest(const std::filesystem::path& archive);
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
