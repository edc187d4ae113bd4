// Every shrunk and imploded member of the real archives (made by PKZIP 0.8 to 1.10, hwzip and
// other encoders; see SOURCES.md in the fixture folder) extracted through ExtractMember and
// compared with what Info-ZIP unzip extracts; reduced members refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/legacy/legacy_harness.h"
#include "tests/legacy/support.h"
#include "unzip/unzip.h"
#include "unzip/ziptypes.h"

namespace legacy_test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kShrunk = 1;
constexpr std::uint16_t kImploded = 6;

struct Member {
  fs::path archive;
  DirectoryEntry entry;
};

std::vector<fs::path> RealArchives() {
  std::vector<fs::path> out;
  for (const auto& f : fs::recursive_directory_iterator(FixtureDir())) {
    std::string ext = f.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (f.is_regular_file() && ext == ".zip") out.push_back(f.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<Member> MembersWithMethod(bool (*wanted)(std::uint16_t)) {
  std::vector<Member> out;
  for (const fs::path& a : RealArchives()) {
    for (const DirectoryEntry& e : ReadDirectory(ReadAll(a))) {
      if (wanted(e.method)) out.push_back({a, e});
    }
  }
  return out;
}

bool IsLegacy(std::uint16_t m) { return m == kShrunk || m == kImploded; }
bool IsReduced(std::uint16_t m) { return m >= 2 && m <= 5; }

// The member's content as our extractor writes it, or its failure code.
struct Extracted {
  std::int32_t result = 0;
  Bytes content;
  bool created = false;
};

Extracted Extract(const fs::path& archive, std::uint32_t headerOffset) {
  TempDir out;
  Extracted x;
  x.result = unzip::ExtractMember(Win(archive), Win(out / "member.out"),
                                  static_cast<std::int32_t>(headerOffset));
  x.created = fs::exists(out / "member.out");
  if (x.created) x.content = ReadAll(out / "member.out");
  return x;
}

class RealArchives : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Each case gets a fresh simulated machine; the archives are reached through Z:.
    prefix_ = new TempDir;
#ifndef _WIN32
    setenv("SETUP_PREFIX", prefix_->path().c_str(), 1);
#endif
  }
  static void TearDownTestSuite() {
    delete prefix_;
    prefix_ = nullptr;
  }
  static TempDir* prefix_;
};
TempDir* RealArchives::prefix_ = nullptr;

TEST_F(RealArchives, EveryShrunkAndImplodedMemberMatchesInfoZip) {
  const std::vector<Member> members = MembersWithMethod(IsLegacy);
  std::map<std::string, int> counted;
  for (const Member& m : members) {
    SCOPED_TRACE(m.archive.string() + " : " + m.entry.name);
    const Extracted x = Extract(m.archive, m.entry.headerOffset);
    ASSERT_EQ(x.result, unzip::kUnzipOk);
    EXPECT_EQ(x.content.size(), m.entry.uncompressedSize);
    if (HaveInfoZip()) {
      const auto peer = InfoZipExtract(m.archive, m.entry.name);
      ASSERT_TRUE(peer.has_value());
      EXPECT_TRUE(x.content == *peer);
    }
    const char* kind = m.entry.method == kShrunk  ? "shrunk"
                       : (m.entry.flags & 6) == 6 ? "imploded 8K, literal tree"
                       : (m.entry.flags & 6) == 0 ? "imploded 4K, no literal tree"
                                                  : "imploded, other";
    ++counted[kind];
  }
  // The fixture set as SOURCES.md lists it.
  EXPECT_EQ(counted["shrunk"], 25);
  EXPECT_EQ(counted["imploded 8K, literal tree"], 148);
  EXPECT_EQ(counted["imploded 4K, no literal tree"], 17);
}

TEST_F(RealArchives, ReducedMembersAreRefusedWithoutOutput) {
  const std::vector<Member> members = MembersWithMethod(IsReduced);
  EXPECT_EQ(members.size(), 23u);
  for (const Member& m : members) {
    SCOPED_TRACE(m.archive.string() + " : " + m.entry.name);
    const Extracted x = Extract(m.archive, m.entry.headerOffset);
    EXPECT_EQ(x.result, unzip::kUnsupportedMethod);
    EXPECT_FALSE(x.created);
  }
}

// The member of a real archive, found by name.
Member Find(const std::string& archive, const std::string& name) {
  const fs::path a = FixtureDir() / archive;
  for (const DirectoryEntry& e : ReadDirectory(ReadAll(a))) {
    if (e.name == name) return {a, e};
  }
  throw std::runtime_error("no member " + name + " in " + archive);
}

// Reads the codes of a shrunk member the way the decoder sizes them: (width increases,
// partial clearings, widest code width).
struct ShrinkControls {
  unsigned increases = 0;
  unsigned clears = 0;
  unsigned width = 9;
};
ShrinkControls ScanShrinkControls(const Bytes& data) {
  ShrinkControls c;
  std::uint64_t bit = 0;
  const std::uint64_t total = data.size() * 8;
  auto read = [&](unsigned n) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i, ++bit) v |= ((data[bit / 8] >> (bit % 8)) & 1u) << i;
    return v;
  };
  read(9);
  while (bit + c.width <= total) {
    if (read(c.width) != 256) continue;
    const std::uint32_t action = read(c.width);
    if (action == 1) {
      ++c.increases;
      ++c.width;
    } else if (action == 2) {
      ++c.clears;
    }
  }
  return c;
}

TEST_F(RealArchives, ShrinkCodeWidthReaches13AndFullTablesAreCleared) {
  // hwzip and PKZIP 0.90: every width up to 13, a partial clearing each time the table fills.
  for (const auto& [archive, name] : {std::pair{"defacto2-archive/HWSHRINK.ZIP", "TESTDAT3.TXT"},
                                      std::pair{"zip-ada/many_formats.zip", "$05PK090.TMP"}}) {
    SCOPED_TRACE(name);
    const Member m = Find(archive, name);
    const ShrinkControls c = ScanShrinkControls(MemberData(ReadAll(m.archive), m.entry));
    EXPECT_EQ(c.increases, 4u);
    EXPECT_EQ(c.width, 13u);
    EXPECT_GE(c.clears, 2u);
    const Extracted x = Extract(m.archive, m.entry.headerOffset);
    ASSERT_EQ(x.result, unzip::kUnzipOk);
    EXPECT_EQ(x.content.size(), m.entry.uncompressedSize);
  }
}

TEST_F(RealArchives, ShrinkPartialClearingBeforeTheTableIsFull) {
  // PKZIP 1.10 -es clears whenever compression falls off: 350 times in a 2.4 MB program,
  // never with a full table.
  const Member m = Find("pkzip-dos/PKZ110ES.ZIP", "TEST.EXE");
  const ShrinkControls c = ScanShrinkControls(MemberData(ReadAll(m.archive), m.entry));
  EXPECT_EQ(c.width, 12u);
  EXPECT_EQ(c.clears, 350u);
  const Extracted x = Extract(m.archive, m.entry.headerOffset);
  ASSERT_EQ(x.result, unzip::kUnzipOk);
  EXPECT_EQ(x.content.size(), 2426368u);
}

TEST_F(RealArchives, ImplodeAbove200000CompressedBytes) {
  // PKZIP 1.10's 830002-byte member: the distance tree is looked up with 8 bits.
  const Member m = Find("pkzip-dos/PKZ110.ZIP", "TEST.EXE");
  ASSERT_GT(m.entry.compressedSize, 200000u);
  const Extracted x = Extract(m.archive, m.entry.headerOffset);
  ASSERT_EQ(x.result, unzip::kUnzipOk);
  EXPECT_EQ(x.content.size(), 2426368u);
}

TEST_F(RealArchives, ImplodeMatchesBeforeTheStartGiveZeroBytes) {
  // PKZIP 1.10 codes early zero bytes as matches that reach before the start of the output.
  // Decoded over a work area that is not cleared, they still come out as zero bytes.
  for (const auto& [archive, name] : {std::pair{"pkzip-dos/PKZ110.ZIP", "TEST.GIF"},
                                      std::pair{"sharpcompress/Zip.implode.zip", "EXE/TEST.EXE"}}) {
    SCOPED_TRACE(name);
    const Member m = Find(archive, name);
    Bytes data = MemberData(ReadAll(m.archive), m.entry);
    data.resize(data.size() + 2);
    const DecodeRun run = RunDecoder(
        Method::kImplode, m.entry.flags, data, static_cast<std::int32_t>(m.entry.uncompressedSize),
        static_cast<std::int32_t>(m.entry.compressedSize), Writes::kAccept, 0xAA);
    ASSERT_EQ(run.result, unzip::kUnzipOk);
    EXPECT_EQ(run.crc, m.entry.crc);
  }
}

// The reports of one run: (first argument, status) in order.
std::vector<std::pair<std::int32_t, std::int32_t>> gReports;
void Record(std::int32_t first, unzip::ReportRecord* record) {
  // The record is packed: the field is copied before it is handed on by reference.
  const std::int32_t status = record->Status;
  gReports.emplace_back(first, status);
}

// The write reports of each member of a run, in order.
std::vector<std::vector<std::int32_t>> WritesPerMember(const fs::path& archive,
                                                       const fs::path& folder) {
  gReports.clear();
  const std::int32_t extracted =
      unzip::UnzipArchive(Win(archive), Win(folder), "*.*", Record, nullptr);
  EXPECT_GT(extracted, 0);
  std::vector<std::vector<std::int32_t>> out;
  for (const auto& [first, status] : gReports) {
    if (status == unzip::kReportMemberStart) out.emplace_back();
    if (status == unzip::kReportWrite) out.back().push_back(first);
  }
  return out;
}

// Pieces of `piece` bytes and the rest (possibly none) that make up `size` bytes.
std::vector<std::int32_t> Pieces(std::uint32_t size, std::int32_t piece) {
  std::vector<std::int32_t> out(size / static_cast<std::uint32_t>(piece), piece);
  out.push_back(static_cast<std::int32_t>(size % static_cast<std::uint32_t>(piece)));
  return out;
}

TEST_F(RealArchives, ShrunkOutputIsReportedIn767BytePiecesImplodedInWindows) {
  TempDir out;
  const Bytes shrunk = ReadAll(FixtureDir() / "defacto2-archive/HWSHRINK.ZIP");
  const auto shrunkWrites =
      WritesPerMember(FixtureDir() / "defacto2-archive/HWSHRINK.ZIP", out / "s");
  const auto shrunkEntries = ReadDirectory(shrunk);
  ASSERT_EQ(shrunkWrites.size(), shrunkEntries.size());
  for (std::size_t i = 0; i < shrunkEntries.size(); ++i) {
    EXPECT_EQ(shrunkWrites[i], Pieces(shrunkEntries[i].uncompressedSize, 767));
  }
  const Bytes imploded = ReadAll(FixtureDir() / "pkzip-dos/PKZ110EI.ZIP");
  const auto implodedWrites = WritesPerMember(FixtureDir() / "pkzip-dos/PKZ110EI.ZIP", out / "i");
  const auto implodedEntries = ReadDirectory(imploded);
  ASSERT_EQ(implodedWrites.size(), implodedEntries.size());
  for (std::size_t i = 0; i < implodedEntries.size(); ++i) {
    if (implodedEntries[i].method != kImploded) continue;
    EXPECT_EQ(implodedWrites[i], Pieces(implodedEntries[i].uncompressedSize, 32768));
  }
}

// A copy of the archive that ends `cut` bytes into the member's data.
fs::path Truncated(const TempDir& dir, const Member& m, std::size_t cut) {
  const Bytes a = ReadAll(m.archive);
  const std::size_t h = m.entry.headerOffset;
  const std::size_t start = h + 30 + (a[h + 26] | a[h + 27] << 8) + (a[h + 28] | a[h + 29] << 8);
  WriteAll(dir / "cut.zip", Bytes(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(start + cut)));
  return dir / "cut.zip";
}

TEST_F(RealArchives, TruncatedMembersAreReadErrors) {
  TempDir dir;
  for (const auto& [archive, name] :
       {std::pair{"pkzip-dos/PKZ110.ZIP", "TEST.EXE"},
        std::pair{"commons-compress/lorem-ipsum-implode.zip", "LOREM.TXT"},
        std::pair{"pkzip-dos/PKZ110ES.ZIP", "TEST.EXE"},
        std::pair{"sharpcompress/Zip.shrink.zip", "TEST.EXE"}}) {
    SCOPED_TRACE(std::string(archive) + " : " + name);
    const Member m = Find(archive, name);
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{m.entry.compressedSize / 3},
                            std::size_t{m.entry.compressedSize - 1}}) {
      SCOPED_TRACE(cut);
      const Extracted x = Extract(Truncated(dir, m, cut), m.entry.headerOffset);
      // Cut inside the stored trees, an implode member may instead show a malformed tree.
      if (m.entry.method == kImploded && cut <= 1) {
        EXPECT_TRUE(x.result == unzip::kReadError || x.result == unzip::kStructureError)
            << x.result;
      } else {
        EXPECT_EQ(x.result, unzip::kReadError);
      }
      EXPECT_FALSE(x.created);
    }
  }
}

TEST_F(RealArchives, DamagedTreeIsAStructureError) {
  // The first byte of an imploded member counts the bytes of its first stored tree; 255
  // makes at least 256 lengths, more than the 64 of a length tree.
  TempDir dir;
  const Member m = Find("commons-compress/imploding-4Kdict-2trees.zip", "HEADER.TXT");
  Bytes a = ReadAll(m.archive);
  const std::size_t h = m.entry.headerOffset;
  a[h + 30 + (a[h + 26] | a[h + 27] << 8) + (a[h + 28] | a[h + 29] << 8)] = 0xFF;
  WriteAll(dir / "bad.zip", a);
  const Extracted x = Extract(dir / "bad.zip", m.entry.headerOffset);
  EXPECT_EQ(x.result, unzip::kStructureError);
  EXPECT_FALSE(x.created);
}

}  // namespace
}  // namespace legacy_test
