// The real archives: every stored and deflated member extracts with the size and CRC-32 that
// MEMBERS.tsv lists (checked with a CRC of the test's own), and archives with members of
// methods the extractor does not decode stop there without creating those members.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "tests/unzip/support.h"
#include "unzip/coding.h"

namespace unzip_test {
namespace {

namespace fs = std::filesystem;

struct Row {
  std::string member;
  std::string method;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

std::map<std::string, std::vector<Row>> Members() {
  std::ifstream in(FixtureDir() / "MEMBERS.tsv");
  std::map<std::string, std::vector<Row>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("archive\t", 0) == 0) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, '\t');) f.push_back(field);
    if (f.size() < 6) continue;
    rows[f[0]].push_back(Row{f[1], f[2], std::stoull(f[3]),
                             static_cast<std::uint32_t>(std::stoul(f[5], nullptr, 16))});
  }
  return rows;
}

bool Ascii(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

TEST(RealArchives, StoredAndDeflatedMembersMatchTheirListedSizeAndCrc) {
  const auto rows = Members();
  ASSERT_FALSE(rows.empty());
  TempDir tmp;
  int n = 0;
  std::vector<std::string> archives = kStoredAndDeflated;
  archives.push_back("commons-compress/test-winzip.zip");
  for (const std::string& archive : archives) {
    SCOPED_TRACE(archive);
    const fs::path out = tmp / std::to_string(n++);
    fs::create_directories(out);
    ASSERT_EQ(unzip::ExtractArchive(Win(FixtureDir() / archive), Win(out)), 0);
    ASSERT_TRUE(rows.count(archive));
    for (const Row& row : rows.at(archive)) {
      if (!Ascii(row.member)) continue;
      SCOPED_TRACE(row.member);
      if (row.member.back() == '/') {
        EXPECT_TRUE(fs::is_directory(out / row.member));
        continue;
      }
      const Bytes content = ReadAll(out / row.member);
      EXPECT_EQ(content.size(), row.size);
      EXPECT_EQ(BitwiseCrc32(content), row.crc);
    }
  }
}

TEST(RealArchives, UnsupportedMethodsStopTheRunAndCreateNothing) {
  TempDir tmp;
  struct Case {
    const char* archive;
    std::int32_t result;
    std::vector<std::string> absent;  // members that must not exist afterwards
  };
  const Case cases[] = {
      {"oldunzip/example-r.zip", unzip::kUnsupportedMethod, {}},
      {"zip2-legacy/reduce.zip", unzip::kUnsupportedMethod, {"first.txt"}},
      {"sharpcompress/Zip.reduce1.zip", unzip::kUnsupportedMethod, {"TEST.EXE", "TEST.JPG"}},
      {"sharpcompress/Zip.reduce4.zip", unzip::kUnsupportedMethod, {"TEST.EXE", "TEST.JPG"}},
      {"defacto2-archive/HWREDUCE.ZIP", unzip::kUnsupportedMethod, {}},
      {"pkzip-dos/PKZ80B4.ZIP", unzip::kUnsupportedMethod, {}},
      {"zip-ada/many_formats.zip", unzip::kUnsupportedMethod, {"$01PK090.TMP"}},
      {"commons-compress/moby.zip", unzip::kUnsupportedMethod, {"README"}},
      {"sharpcompress/Zip.none.encrypted.zip", unzip::kUnsupportedMethod, {"first.txt"}},
      {"sharpcompress/zipcrypto.zip", unzip::kEncrypted, {"brown.txt"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    const fs::path out = tmp / std::to_string(n++);
    fs::create_directories(out);
    EXPECT_EQ(unzip::ExtractArchive(Win(FixtureDir() / c.archive), Win(out)), c.result);
    for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(out / name)) << name;
  }
}

TEST(RealArchives, ReduceOnlyArchiveLeavesTheDestinationEmpty) {
  TempDir tmp;
  for (const char* archive : {"oldunzip/example-r.zip", "zip2-legacy/reduce.zip"}) {
    const fs::path out = tmp / fs::path(archive).filename().string();
    fs::create_directories(out);
    EXPECT_EQ(unzip::ExtractArchive(Win(FixtureDir() / archive), Win(out)),
              unzip::kUnsupportedMethod);
    EXPECT_TRUE(fs::is_empty(out)) << archive;
  }
}

}  // namespace
}  // namespace unzip_test
