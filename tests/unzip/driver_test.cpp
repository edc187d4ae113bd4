// The extraction driver and the extraction of members: the report sequence, failures and how
// they end a run, folders, time stamps, and the mended faults (failure codes from
// ExtractArchive, names outside the destination, deep folders, output beyond the declared
// size, the lock and work area on every path).
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <stdexcept>

#include "platform/services.h"
#include "tests/unzip/support.h"
#include "unzip/coding.h"
#include "unzip/unzip.h"

namespace unzip_test {
namespace {

namespace fs = std::filesystem;

// A deflated member: a fixed block of 'a' followed by `matches` copies of 258 bytes.
ZipMember Deflated(const std::string& name, int matches) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(1, 2);  // fixed Huffman
  FixedLiteral(w, 'a');
  for (int i = 0; i < matches; ++i) {
    FixedLiteral(w, 285);  // length 258
    FixedDistance(w, 0);   // distance 1
  }
  FixedLiteral(w, 256);  // end of block
  ZipMember m;
  m.name = name;
  m.method = 8;
  m.data = w.Finish();
  m.content = Bytes(1 + 258 * static_cast<std::size_t>(matches), 'a');
  return m;
}

class Driver : public ::testing::Test {
 protected:
  void SetUp() override { gReports.clear(); }
  // Writes the archive and extracts it with UnzipArchive into "out".
  std::int32_t Run(const std::vector<ZipMember>& members, const std::string& mask = "*.*",
                   std::int32_t* failure = nullptr) {
    WriteAll(tmp_ / "t.zip", BuildZip(members));
    fs::create_directories(tmp_ / "out");
    return unzip::UnzipArchive(Win(tmp_ / "t.zip"), Win(tmp_ / "out"), mask, RecordReport, nullptr,
                               failure);
  }
  std::vector<std::int32_t> Statuses() const {
    std::vector<std::int32_t> s;
    for (const Report& r : gReports) s.push_back(+r.record.Status);
    return s;
  }
  std::string Out(const std::string& name) const { return Win(tmp_ / "out") + "\\" + name; }

  TempDir tmp_;
};

TEST_F(Driver, ReportSequenceOfASmallArchiveRecordByRecord) {
  ZipMember folder = Stored("dir/", "");
  folder.attributes = 0x10;
  ZipMember a = Stored("dir/a.txt", "hello");
  a.dosTime = DosDateTime(2019, 1, 2, 3, 4, 6);
  ZipMember b = Deflated("b.txt", 3);  // 775 bytes from 8 compressed
  ASSERT_EQ(Run({folder, a, b}), 3);

  const std::int32_t bc = static_cast<std::int32_t>(b.data.size());
  const std::string archive = Win(tmp_ / "t.zip");
  ASSERT_EQ(gReports.size(), 10u);
  // The record is packed: its fields are compared as values, never bound to references.
  auto expect = [&](std::size_t i, std::int32_t first, std::int32_t status, const std::string& name,
                    std::int32_t time, std::int32_t size, std::int32_t compressed,
                    std::int32_t attributes, int method, int ratio) {
    SCOPED_TRACE(i);
    const ReportRecord& r = gReports[i].record;
    EXPECT_EQ(gReports[i].first, first);
    EXPECT_EQ(+r.Status, status);
    EXPECT_EQ(std::string(r.FileName), name);
    EXPECT_EQ(+r.Time, time);
    EXPECT_EQ(+r.Size, size);
    EXPECT_EQ(+r.CompressedSize, compressed);
    EXPECT_EQ(+r.Attributes, attributes);
    EXPECT_EQ(+r.Method, method);
    EXPECT_EQ(+r.Ratio, ratio);
  };
  const auto ft = static_cast<std::int32_t>(folder.dosTime);
  const auto at = static_cast<std::int32_t>(a.dosTime);
  const auto bt = static_cast<std::int32_t>(b.dosTime);
  // 100 - round(100 * 8 / 775) = 100 - 1 = 99 for b; the totals 780 and 13 give 98.
  expect(0, -1004, -1004, archive, 0, 780, 5 + bc, 0, 0, 98);
  expect(1, -1000, -1000, Out("dir\\"), ft, 0, 0, 0x10, 0, 0);
  expect(2, -1002, -1002, Out("dir\\"), ft, 0, 0, 0x10, 0, 0);
  expect(3, -1000, -1000, Out("dir\\a.txt"), at, 5, 5, 0x20, 0, 0);
  expect(4, 5, -1001, Out("dir\\a.txt"), at, 5, 5, 0x20, 0, 0);
  expect(5, -1002, -1002, Out("dir\\a.txt"), at, 5, 5, 0x20, 0, 0);
  expect(6, -1000, -1000, Out("b.txt"), bt, 775, bc, 0x20, 8, 99);
  expect(7, 775, -1001, Out("b.txt"), bt, 775, bc, 0x20, 8, 99);
  expect(8, -1002, -1002, Out("b.txt"), bt, 775, bc, 0x20, 8, 99);
  expect(9, -1005, -1005, archive, -1, 780, 5 + bc, -1, 0, 98);
  EXPECT_EQ(bc, 8);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "dir" / "a.txt"), ToBytes("hello"));
  EXPECT_EQ(ReadAll(tmp_ / "out" / "b.txt"), b.content);
}

TEST_F(Driver, RatioRoundsHalvesToEvenAndWrapsModulo256) {
  // Stored members whose declared size differs from their data fail after the -1000 report,
  // which is all this test looks at.
  const std::pair<std::uint32_t, int> cases[] = {{8, 88}, {0, 0}, {6, 50}};
  const std::size_t dataSizes[] = {1, 3, 3};
  const int expected[] = {88, 0, 50};
  for (int i = 0; i < 3; ++i) {
    gReports.clear();
    ZipMember m = Stored("m.txt", std::string(dataSizes[i], 'x'));
    m.useSizeOverride = true;
    m.sizeOverride = cases[i].first;
    Run({m});
    ASSERT_GE(gReports.size(), 2u);
    EXPECT_EQ(+gReports[1].record.Ratio, expected[i]) << i;
  }
  // 100 x 3 / 8 = 37.5 -> 38 (even): 62; 100 x 30 / 10 = 300: (100 - 300) mod 256 = 56.
  gReports.clear();
  ZipMember half = Stored("h.txt", "xxx");
  half.useSizeOverride = true;
  half.sizeOverride = 8;
  Run({half});
  EXPECT_EQ(+gReports[1].record.Ratio, 62);
  gReports.clear();
  ZipMember grown = Stored("g.txt", std::string(30, 'x'));
  grown.useSizeOverride = true;
  grown.sizeOverride = 10;
  Run({grown});
  EXPECT_EQ(+gReports[1].record.Ratio, 56);
}

// The archive is read in 128 KiB pieces shared by the members: a deflated member whose data
// begin a few bytes before a piece ends must get the rest from the next piece, not end early.
TEST_F(Driver, MemberDataAcrossTheEndOfAReadPieceDecodeWhole) {
  constexpr std::size_t kPiece = 131072;
  constexpr std::size_t kLocalHeader = 30;
  for (std::size_t k = 1; k <= 9; ++k) {
    SCOPED_TRACE("data begin " + std::to_string(k) + " bytes before the piece ends");
    const ZipMember b = Deflated("b.txt", 40);
    const std::size_t padding =
        kPiece - k - 2 * kLocalHeader - std::string("pad.bin").size() - b.name.size();
    const ZipMember pad = Stored("pad.bin", std::string(padding, 'p'));
    gReports.clear();
    ASSERT_EQ(Run({pad, b}), 2);
    EXPECT_EQ(ReadAll(tmp_ / "out" / "b.txt"), b.content);
  }
}

// A member's back-reference before its own first byte reads zeros, whatever the members
// before it left in the work area: a deflated one long enough to fill the decoder's output
// area (so that its tail became the history), a stored one, or another short one.
TEST_F(Driver, ReferencesBeforeAMembersFirstByteReadZerosAfterAnyMember) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(1, 2);  // fixed Huffman
  FixedLiteral(w, 'b');
  FixedLiteral(w, 257);  // length 3
  FixedDistance(w, 4);   // distance 5 with one extra bit (0)
  w.Bits(0, 1);
  FixedLiteral(w, 256);
  ZipMember probe;
  probe.name = "probe.bin";
  probe.method = 8;
  probe.data = w.Finish();
  probe.content = Bytes{'b', 0, 0, 0};
  const std::vector<ZipMember> before[] = {
      {Deflated("long.txt", 1400)},
      {Stored("stored.txt", std::string(40000, 's'))},
      {Deflated("long.txt", 1400), Stored("stored.txt", std::string(100, 's'))},
      {Deflated("short.txt", 3)},
  };
  for (const auto& members : before) {
    SCOPED_TRACE(members.front().name + " first, " + std::to_string(members.size()) + " before");
    std::vector<ZipMember> all = members;
    all.push_back(probe);
    gReports.clear();
    ASSERT_EQ(Run(all), static_cast<std::int32_t>(all.size()));
    EXPECT_EQ(ReadAll(tmp_ / "out" / "probe.bin"), probe.content);
    EXPECT_EQ(ReadAll(tmp_ / "out" / members.front().name), members.front().content);
  }
}

TEST_F(Driver, FolderEntriesCreateEveryFolderAndCount) {
  ASSERT_EQ(Run({Stored("x/y/z/", ""), Stored("p/q/file.txt", "deep")}), 2);
  EXPECT_TRUE(fs::is_directory(tmp_ / "out" / "x" / "y" / "z"));
  EXPECT_EQ(ReadAll(tmp_ / "out" / "p" / "q" / "file.txt"), ToBytes("deep"));
}

TEST_F(Driver, ExistingFileIsReplacedAndEmptyMemberGivesEmptyFile) {
  fs::create_directories(tmp_ / "out");
  WriteAll(tmp_ / "out" / "a.txt", ToBytes("old and longer content"));
  ASSERT_EQ(Run({Stored("a.txt", "new"), Stored("empty.txt", "")}), 2);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "a.txt"), ToBytes("new"));
  EXPECT_TRUE(ReadAll(tmp_ / "out" / "empty.txt").empty());
}

TEST_F(Driver, TimeStampIsTheMembersDosTimeAsLocalTime) {
  ZipMember m = Stored("t.txt", "time");
  m.dosTime = DosDateTime(2020, 5, 17, 13, 45, 30);
  ZipMember zero = Stored("z.txt", "no time");
  zero.dosTime = 0;  // cannot be converted: the file keeps its time of writing
  ASSERT_EQ(Run({m, zero}), 2);
  const auto sys = std::chrono::file_clock::to_sys(fs::last_write_time(tmp_ / "out" / "t.txt"));
  const std::time_t t = std::chrono::system_clock::to_time_t(sys);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  EXPECT_EQ(local.tm_year + 1900, 2020);
  EXPECT_EQ(local.tm_mon + 1, 5);
  EXPECT_EQ(local.tm_mday, 17);
  EXPECT_EQ(local.tm_hour, 13);
  EXPECT_EQ(local.tm_min, 45);
  EXPECT_EQ(local.tm_sec, 30);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "z.txt"), ToBytes("no time"));
}

TEST_F(Driver, CrcFailureDeletesTheFileEndsTheRunAndIsReturnedByExtractArchive) {
  ZipMember bad = Stored("bad.txt", "payload");
  bad.useCrcOverride = true;
  bad.crcOverride = 0x12345678;
  std::int32_t failure = 0;
  EXPECT_EQ(Run({Stored("first.txt", "1"), bad, Stored("after.txt", "3")}, "*.*", &failure), 1);
  EXPECT_EQ(failure, unzip::kCrcError);
  EXPECT_EQ(Statuses(),
            (std::vector<std::int32_t>{-1004, -1000, -1001, -1002, -1000, -1001, -1003, -1005}));
  EXPECT_EQ(gReports[6].first, unzip::kCrcError);
  EXPECT_TRUE(fs::exists(tmp_ / "out" / "first.txt"));
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "bad.txt"));
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "after.txt"));
  EXPECT_EQ(unzip::ExtractArchive(Win(tmp_ / "t.zip"), Win(tmp_ / "again")), unzip::kCrcError);
  EXPECT_EQ(unzip::ExtractMessage(unzip::kCrcError, "vx01.zip"), "CRC-Error!: vx01.zip");
}

TEST_F(Driver, EncryptedAndUnsupportedMembersCreateNothing) {
  ZipMember encrypted = Stored("secret.txt", "xxxxxxxxxxxx");
  encrypted.flags = 1;
  std::int32_t failure = 0;
  EXPECT_EQ(Run({encrypted}, "*.*", &failure), 0);
  EXPECT_EQ(failure, unzip::kEncrypted);
  EXPECT_EQ(gReports[2].first, unzip::kEncrypted);
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "secret.txt"));
  EXPECT_EQ(unzip::ExtractArchive(Win(tmp_ / "t.zip"), Win(tmp_ / "out")), unzip::kEncrypted);

  for (std::uint16_t method : {2, 5, 7, 9, 12, 99}) {
    ZipMember m = Stored("m.bin", "data");
    m.method = method;
    EXPECT_EQ(Run({m}, "*.*", &failure), 0);
    EXPECT_EQ(failure, unzip::kUnsupportedMethod) << method;
    EXPECT_FALSE(fs::exists(tmp_ / "out" / "m.bin"));
  }
}

TEST_F(Driver, DamagedLocalHeaderIsASeriousErrorWithoutEndReport) {
  ZipMember m = Stored("b.txt", "abc");
  m.localSignature[3] = 5;  // "PK" 03 05
  EXPECT_EQ(Run({Stored("a.txt", "fine"), m}), unzip::kSeriousError);
  EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{-1004, -1000, -1001, -1002, -1000, -100}));
  EXPECT_EQ(gReports.back().first, -100);
  EXPECT_EQ(unzip::ExtractArchive(Win(tmp_ / "t.zip"), Win(tmp_ / "out")), unzip::kSeriousError);
}

TEST_F(Driver, NamesReachingOutsideTheDestinationAreRefused) {
  fs::create_directories(tmp_ / "out" / "inner");
  for (const std::string name :
       {"../evil.txt", "a/../../evil.txt", "/evil.txt", "\\evil.txt", "C:evil.txt", "c:/evil.txt",
        ". ./x/../../evil.txt", "x/... /evil.txt", "../"}) {
    SCOPED_TRACE(name);
    gReports.clear();
    WriteAll(tmp_ / "t.zip", BuildZip({Stored(name, "evil")}));
    std::int32_t failure = 0;
    EXPECT_EQ(unzip::UnzipArchive(Win(tmp_ / "t.zip"), Win(tmp_ / "out" / "inner"), "*.*",
                                  RecordReport, nullptr, &failure),
              unzip::kSeriousError);
    EXPECT_EQ(failure, unzip::kStructureError);
    EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{-1004, -1000, -100}));
  }
  for (const auto& e : fs::recursive_directory_iterator(tmp_.path())) {
    EXPECT_NE(e.path().filename(), "evil.txt") << e.path();
  }
  // Names that only look similar are fine.
  EXPECT_EQ(Run({Stored("..a/b..c/x..y.txt", "fine")}), 1);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "..a" / "b..c" / "x..y.txt"), ToBytes("fine"));
}

TEST_F(Driver, FoldersAreCreatedUpToTheFullPathLength) {
  const std::string dest = Win(tmp_ / "out") + "\\";
  // A member whose output path is exactly 259 characters, several folders deep.
  std::string name;
  while (dest.size() + name.size() < 259 - 40) name += std::string(30, 'f') + "/";
  name += std::string(259 - dest.size() - name.size(), 'n');
  ASSERT_EQ(dest.size() + name.size(), 259u);
  ASSERT_EQ(Run({Stored(name, "deep")}), 1);
  std::string host = name;
  EXPECT_EQ(ReadAll(tmp_ / "out" / host), ToBytes("deep"));

  std::int32_t failure = 0;
  EXPECT_EQ(Run({Stored(name + "x", "too long")}, "*.*", &failure), 0);
  EXPECT_EQ(failure, unzip::kWriteError);
  EXPECT_EQ(+gReports.back().record.Status, -1005);
}

TEST_F(Driver, ReadOnlyExistingFileIsAWriteError) {
  fs::create_directories(tmp_ / "out");
  WriteAll(tmp_ / "out" / "ro.txt", ToBytes("keep"));
  fs::permissions(tmp_ / "out" / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
  std::int32_t failure = 0;
  EXPECT_EQ(Run({Stored("ro.txt", "new")}, "*.*", &failure), 0);
  EXPECT_EQ(failure, unzip::kWriteError);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "ro.txt"), ToBytes("keep"));
}

TEST_F(Driver, OutputBeyondTheDeclaredSizeFails) {
  ZipMember bomb = Deflated("bomb.txt", 4000);  // 1 MB from a few KB
  bomb.useSizeOverride = true;
  bomb.sizeOverride = 1000;
  std::int32_t failure = 0;
  EXPECT_EQ(Run({bomb}, "*.*", &failure), unzip::kSeriousError);
  EXPECT_EQ(failure, unzip::kStructureError);
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "bomb.txt"));
  // With deferred sizes the central directory's size is the bound.
  ZipMember deferred = Deflated("bomb2.txt", 4000);
  deferred.descriptor = true;
  deferred.useSizeOverride = true;
  deferred.sizeOverride = 1000;
  EXPECT_EQ(Run({deferred}, "*.*", &failure), unzip::kSeriousError);
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "bomb2.txt"));
}

TEST_F(Driver, MembersWithDataDescriptorsExtract) {
  ZipMember signed_ = Deflated("signed.txt", 10);
  signed_.descriptor = true;
  ZipMember plain = Deflated("plain.txt", 20);
  plain.descriptor = true;
  plain.descriptorSignature = false;
  ZipMember stored = Stored("stored.txt", "stored with a descriptor");
  stored.descriptor = true;
  ASSERT_EQ(Run({signed_, plain, stored}), 3);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "signed.txt"), signed_.content);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "plain.txt"), plain.content);
  EXPECT_EQ(ReadAll(tmp_ / "out" / "stored.txt"), stored.content);

  ZipMember wrong = Deflated("wrong.txt", 10);
  wrong.descriptor = true;
  wrong.useCrcOverride = true;
  wrong.crcOverride = 1;
  std::int32_t failure = 0;
  EXPECT_EQ(Run({wrong}, "*.*", &failure), 0);
  EXPECT_EQ(failure, unzip::kCrcError);
}

TEST_F(Driver, MaskSelectsMembersAndTheEndReportTotalsThem) {
  ASSERT_EQ(Run({Stored("a.txt", "12"), Stored("b.dat", "12345"), Stored("c.txt", "1")}, "*.txt"),
            2);
  EXPECT_FALSE(fs::exists(tmp_ / "out" / "b.dat"));
  EXPECT_EQ(+gReports.front().record.Size, 8);
  EXPECT_EQ(+gReports.back().record.Size, 3);
}

TEST_F(Driver, EmptyOrNonZipArchivesGiveTheirCodes) {
  EXPECT_EQ(unzip::ExtractArchive("", "C:\\x"), unzip::kMissingParameter);
  EXPECT_EQ(unzip::ExtractArchive("a.zip", ""), unzip::kMissingParameter);
  EXPECT_EQ(unzip::ExtractArchive(std::string(260, 'a') + ".zip", "C:\\x"),
            unzip::kMissingParameter);
  EXPECT_EQ(unzip::ExtractArchive(Win(tmp_ / "missing.zip"), Win(tmp_ / "out")), unzip::kNotAZip);
  fs::create_directories(tmp_ / "dir.zip");
  EXPECT_EQ(unzip::ExtractArchive(Win(tmp_ / "dir.zip"), Win(tmp_ / "out")), unzip::kNotAZip);
  // A local header signature and no end record: the reader fails, the run reports its
  // start and end and extracts nothing, and the front end does not call that a success.
  WriteAll(tmp_ / "e.zip", ToBytes("PK\x03\x04" + std::string(30, '\0')));
  gReports.clear();
  EXPECT_EQ(
      unzip::UnzipArchive(Win(tmp_ / "e.zip"), Win(tmp_ / "out"), "*.*", RecordReport, nullptr), 0);
  EXPECT_EQ(Statuses(), (std::vector<std::int32_t>{-1004, -1005}));
  EXPECT_EQ(unzip::ExtractArchive(Win(tmp_ / "e.zip"), Win(tmp_ / "out")), unzip::kFileError);
}

// Report procedures that try to start a second extraction while one is under way.
std::int32_t gNested = 1;
std::string gArchive;
std::string gOut;
void NestedMember(std::int32_t, ReportRecord* record) {
  if (record->Status == -1001) gNested = unzip::ExtractMember(gArchive, gOut, 0);
}
void NestedRun(std::int32_t, ReportRecord* record) {
  if (record->Status == -1000) {
    gNested = unzip::UnzipArchive(gArchive, gOut, "*.*", nullptr, nullptr);
  }
}

TEST_F(Driver, SecondExtractionDuringARunIsRefused) {
  WriteAll(tmp_ / "t.zip", BuildZip({Stored("a.txt", "abc")}));
  gArchive = Win(tmp_ / "t.zip");
  gOut = Win(tmp_ / "nested.txt");
  EXPECT_EQ(unzip::UnzipArchive(gArchive, Win(tmp_ / "out"), "*.*", NestedMember, nullptr), 1);
  EXPECT_EQ(gNested, unzip::kInUse);
  EXPECT_EQ(unzip::UnzipArchive(gArchive, Win(tmp_ / "out"), "*.*", NestedRun, nullptr), 1);
  EXPECT_EQ(gNested, unzip::kInUse);
  EXPECT_FALSE(fs::exists(tmp_ / "nested.txt"));
  // Afterwards both are free again.
  EXPECT_EQ(unzip::ExtractMember(gArchive, gOut, 0), 0);
  EXPECT_EQ(unzip::ExtractArchive(gArchive, Win(tmp_ / "out2")), 0);
}

TEST_F(Driver, LockAndWorkAreaAreReleasedWhenAnInputOutputErrorLeaves) {
  ZipMember bad = Stored("bad.txt", "payload");
  bad.useCrcOverride = true;
  bad.crcOverride = 7;
  WriteAll(tmp_ / "t.zip", BuildZip({bad}));
  {
    plat::Services failing = plat::services();
    failing.deleteFile = [](const std::string&) -> std::uint32_t { return plat::kAccessDenied; };
    plat::ScopedServices scope(failing);
    EXPECT_EQ(unzip::ExtractMember(Win(tmp_ / "t.zip"), Win(tmp_ / "bad.txt"), 0),
              unzip::kFileError);
  }
  WriteAll(tmp_ / "ok.zip", BuildZip({Stored("ok.txt", "fine")}));
  EXPECT_EQ(unzip::ExtractMember(Win(tmp_ / "ok.zip"), Win(tmp_ / "ok.txt"), 0), 0);
  EXPECT_EQ(ReadAll(tmp_ / "ok.txt"), ToBytes("fine"));
}

TEST(ResultTexts, AreExact) {
  EXPECT_EQ(unzip::ResultText(0), "Ok");
  EXPECT_EQ(unzip::ResultText(-11), "File error ");
  EXPECT_EQ(unzip::ResultText(-9), " Error in zip format");
  EXPECT_EQ(unzip::ResultText(-6), "Format  not supported!");
  EXPECT_EQ(unzip::ResultText(-8), "DLL already in use, try later or use pkunzip!");
  EXPECT_EQ(unzip::ResultText(-10), "");
}

}  // namespace
}  // namespace unzip_test
