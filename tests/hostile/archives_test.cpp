// Hostile archives through ExtractArchive, each with its exact outcome: the result code, the
// files in the destination, and nothing changed anywhere else on the machine.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "archive.h"
#include "platform/posix/prefix.h"
#include "runs_support.h"
#include "test_support.h"
#include "unzip/coding.h"
#include "unzip/unzip.h"

namespace setup::hostile {
namespace {

using namespace setup::testing;

class HostileArchive : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    archive_ = In("hostile.zip");
    out_ = In("out");
  }

  void Write(const std::string& bytes) { WriteAll(HostOf(archive_), bytes); }

  // Extracts the archive; the machine may change only in the destination.
  std::int32_t Extract(unzip::RunFailure* why = nullptr) {
    const Picture before = Machine();
    const std::int32_t code = unzip::ExtractArchive(archive_, out_, why);
    const auto stray = StrayChanges(before, Machine(), {HostOf(out_).string()});
    EXPECT_EQ(stray, std::vector<std::string>{});
    return code;
  }
  // Writes `a` as the archive and extracts it into a fresh destination.
  std::int32_t Extract(const Archive& a, unzip::RunFailure* why = nullptr) {
    Write(a.Bytes());
    fs::remove_all(HostOf(out_));
    return Extract(why);
  }

  Picture Machine() {
    Picture picture = TakePicture(plat::posix::PrefixDir());
    picture.erase(HostOf(archive_).string());
    return picture;
  }

  // The destination's files and folders (relative, "/" separated); folders end with "/".
  std::map<std::string, std::string> Out() {
    std::map<std::string, std::string> files;
    const fs::path root = HostOf(out_);
    if (!fs::exists(root)) return files;
    for (const auto& [path, bytes] : TakePicture(root)) {
      const std::string name = fs::relative(path, root).generic_string();
      files[bytes == "<dir>" ? name + "/" : name] = bytes == "<dir>" ? "" : bytes;
    }
    return files;
  }

  static Member Stored(const std::string& name, const std::string& content) {
    Member m;
    m.name = name;
    m.data = content;
    m.content = content;
    return m;
  }
  static Member Deflated(const std::string& name, const std::string& content) {
    Member m = Stored(name, content);
    m.method = 8;
    m.data = Deflate(content);
    return m;
  }

  std::string archive_, out_;
};

// --- names that would write outside the destination --------------------------------------

class ZipSlip : public HostileArchive, public ::testing::WithParamInterface<const char*> {};

TEST_P(ZipSlip, IsRefusedAsAStructureErrorAfterTheMembersBeforeIt) {
  Archive a;
  a.members = {Stored("ok.txt", "fine"), Stored(GetParam(), "evil"), Stored("after.txt", "x")};
  EXPECT_EQ(Extract(a), unzip::kSeriousError);
  EXPECT_EQ(Out(), (std::map<std::string, std::string>{{"ok.txt", "fine"}}));
}

INSTANTIATE_TEST_SUITE_P(Names, ZipSlip,
                         ::testing::Values("../evil.txt", "..\\evil.txt", "a/../../evil.txt",
                                           "a\\..\\..\\evil.txt", "/abs.txt", "\\abs.txt",
                                           "C:/abs.txt", "C:abs.txt", "c:\\abs.txt", "..", "../",
                                           "a/..", ".../evil.txt", ". ./evil.txt", ".. /evil.txt",
                                           "a/.. ./evil.txt", "//server/share/evil.txt",
                                           "ok.txt:stream"));

// "a./b" lands in "a": Windows drops the trailing dots of a name, and so does the POSIX body.
TEST_F(HostileArchive, NamesWithDotsThatClimbNothingAreExtracted) {
  Archive a;
  a.members = {Stored("a..b.txt", "1"), Stored("..a/x.txt", "2"), Stored("a./b", "3")};
  EXPECT_EQ(Extract(a), 0);
  EXPECT_EQ(Out(),
            (std::map<std::string, std::string>{
                {"a..b.txt", "1"}, {"..a/", ""}, {"..a/x.txt", "2"}, {"a/", ""}, {"a/b", "3"}}));
}

// --- members that share data, names that repeat ---------------------------------------------

// Members whose data overlap are a damaged archive (twenty central entries on one 50 MB
// member would write a gigabyte): the first of them ends the run as a structure error, after
// the members before it, and none of its data is written.
TEST_F(HostileArchive, MembersThatShareDataAreRefusedAsAStructureError) {
  const Member first = Stored("first.txt", "before");
  const Member shared = Deflated("a.txt", std::string(5000, 'z'));
  struct Case {
    const char* what;
    int aliases;                // central entries that point at a.txt's local header
    std::uint32_t aliasOffset;  // where they point, from a.txt's local header
  };
  for (const Case& c : {Case{"two entries on one local header", 1, 0},
                        Case{"twenty entries on one local header", 19, 0},
                        Case{"an entry whose header lies in another's data", 1, 40}}) {
    SCOPED_TRACE(c.what);
    Archive a;
    a.members = {first, shared};
    const std::uint32_t sharedOffset = 30 + 9 + 6;  // first.txt: header, name, data
    for (int i = 0; i < c.aliases; ++i) {
      Member alias = shared;
      alias.name = "alias" + std::to_string(i) + ".txt";
      alias.centralOnly = true;
      alias.headerOffset = sharedOffset + c.aliasOffset;
      a.members.push_back(alias);
    }
    unzip::RunFailure why;
    EXPECT_EQ(Extract(a, &why), unzip::kSeriousError);
    EXPECT_EQ(why.code, unzip::kStructureError);
    EXPECT_EQ(why.member, "a.txt");
    EXPECT_EQ(unzip::ExtractMessage(unzip::kSeriousError, "x.zip", why),
              "Serious error: x.zip (Error in Zip file structure!: a.txt: its data overlap "
              "another member's)");
    EXPECT_EQ(Out(), (std::map<std::string, std::string>{{"first.txt", "before"}}));
  }
}

TEST_F(HostileArchive, ARepeatedNameIsReplacedByTheLaterMember) {
  Archive a;
  a.members = {Stored("a.txt", "first"), Deflated("A.TXT", "second")};
  EXPECT_EQ(Extract(a), 0);
  EXPECT_EQ(Out(), (std::map<std::string, std::string>{{"a.txt", "second"}}));
}

TEST_F(HostileArchive, AFolderAndAFileOfOneNameFailWithAWriteError) {
  Archive a;
  a.members = {Stored("x/", ""), Stored("x", "file over folder")};
  EXPECT_EQ(Extract(a), unzip::kWriteError);
  EXPECT_EQ(Out(), (std::map<std::string, std::string>{{"x/", ""}}));

  a.members = {Stored("y", "file"), Stored("y/z", "under a file")};
  EXPECT_EQ(Extract(a), unzip::kWriteError);
  EXPECT_EQ(Out(), (std::map<std::string, std::string>{{"y", "file"}}));
}

// --- the directory ----------------------------------------------------------------------------

TEST_F(HostileArchive, ADirectoryOffsetPastTheEndIsAFileError) {
  Archive a;
  a.members = {Stored("a.txt", "a")};
  for (std::uint32_t offset : {0x7FFFFFF0u, 0xFFFFFFFFu, 0x80000000u}) {
    a.directoryOffset = offset;
    EXPECT_EQ(Extract(a), unzip::kFileError) << offset;
    EXPECT_TRUE(Out().empty());
  }
}

TEST_F(HostileArchive, ADirectoryOffsetOntoOtherDataIsAFormatErrorNotAnEmptyArchive) {
  Archive a;
  a.members = {Stored("a.txt", "a")};
  a.directoryOffset = 0;  // the local header, not a central one
  EXPECT_EQ(Extract(a), unzip::kZipFormatError);
  EXPECT_TRUE(Out().empty());
}

TEST_F(HostileArchive, ATruncatedArchiveFailsAtEveryLengthAndWritesNothing) {
  const fs::path staging = HostOf(In("staging"));
  fs::create_directories(staging / "sub");
  std::ofstream(staging / "a.txt") << std::string(3000, 'a') << "end";
  std::ofstream(staging / "sub" / "b.txt") << "bee";
  const std::string command = "cd '" + staging.string() + "' && zip -q -r -X '" +
                              (staging.parent_path() / "whole.zip").string() + "' .";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string whole = ReadText(staging.parent_path() / "whole.zip");
  ASSERT_GT(whole.size(), 100u);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    Write(whole.substr(0, length));
    // Without "PK" 3 4 it is no zip; after that, without a whole end record it has no
    // directory.
    const std::int32_t expected = length < 4 ? unzip::kNotAZip : unzip::kFileError;
    ASSERT_EQ(unzip::ExtractArchive(archive_, out_), expected) << length;
    ASSERT_TRUE(Out().empty()) << length;
  }
  Write(whole);
  EXPECT_EQ(Extract(), 0);
  EXPECT_EQ(Out()["sub/b.txt"], "bee");
}

// Directories damaged after their first entry, or counting otherwise than they hold, are no
// archive to extract a part of: nothing is written and the run fails with -9, its reason in
// words. Long entries and Zip64 records are read in full and the archive extracts.
TEST_F(HostileArchive, DirectoriesAreReadWholeOrRefusedBeforeAnythingIsWritten) {
  const auto three = [] {
    Archive a;
    a.members = {Stored("one.txt", "1"), Deflated("two.txt", std::string(3000, '2')),
                 Stored("three.txt", "3")};
    return a;
  };
  const std::map<std::string, std::string> all = {
      {"one.txt", "1"}, {"two.txt", std::string(3000, '2')}, {"three.txt", "3"}};
  struct Case {
    const char* what;
    Archive archive;
    std::int32_t code;
    const char* reason;  // ExtractMessage's detail, when the run fails
  };
  std::vector<Case> cases;
  Archive a = three();
  a.members[2].damaged = true;
  cases.push_back({"the third central header damaged", a, unzip::kZipFormatError,
                   "the central directory ends before its last entry"});
  a = three();
  a.entryCount = 4;
  cases.push_back({"four entries counted, three held", a, unzip::kZipFormatError,
                   "the central directory ends before its last entry"});
  a = three();
  a.entryCount = 2;
  cases.push_back({"two entries counted, three held", a, unzip::kZipFormatError,
                   "the central directory holds more entries than it counts"});
  a = three();
  a.members[1].comment = std::string(65000, 'c');  // longer than the directory window
  cases.push_back({"a 65,000-byte entry comment", a, 0, ""});
  a = three();
  for (Member& m : a.members) m.extra = ExtraBlock(0xCAFE, std::string(65000, 'e'));
  cases.push_back({"65,000-byte extra fields on every entry", a, 0, ""});
  a = three();
  a.members[0].comment = std::string(63990, 'c');  // the window ends inside the next entry
  a.members[1].extra = ExtraBlock(0xCAFE, std::string(40000, 'e'));
  cases.push_back({"entries that straddle the window", a, 0, ""});
  a = three();
  for (Member& m : a.members) m.zip64 = true;
  a.zip64End = true;
  cases.push_back({"Zip64 headers, end record and locator", a, 0, ""});
  a.members[2].comment = std::string(65000, 'c');
  cases.push_back({"Zip64 with a long entry", a, 0, ""});
  a = three();
  a.zip64End = true;
  a.badLocator = true;
  cases.push_back({"a Zip64 locator that points elsewhere", a, unzip::kZipFormatError,
                   "the Zip64 end record is not where its locator points"});
  a = three();
  a.zip64End = true;
  a.entryCount = 5;
  cases.push_back({"a Zip64 end record counting five", a, unzip::kZipFormatError,
                   "the central directory ends before its last entry"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unzip::RunFailure why;
    EXPECT_EQ(Extract(c.archive, &why), c.code);
    if (c.code == 0) {
      EXPECT_EQ(Out(), all);
    } else {
      EXPECT_TRUE(Out().empty());
      EXPECT_EQ(unzip::ExtractMessage(c.code, "x.zip", why),
                std::string(" Error in zip format: x.zip (") + c.reason + ")");
    }
  }
}

// Names flagged UTF-8 (general purpose bit 11) are converted to code page 1250; a character
// it lacks, or bytes that are no UTF-8, fail the member as a write error with the reason,
// never a wrong name. Unflagged names stay as stored; Info-ZIP's Unicode path field gives the
// name when it converts.
TEST_F(HostileArchive, NamesFlaggedUtf8AreConvertedExactlyOrRefused) {
  const std::string czech = "P\xC5\x99\xC3\xADru\xC4\x8Dka.txt";  // "Příručka.txt" in UTF-8
  const auto unicodePath = [](const std::string& stored, const std::string& utf8) {
    std::string data = "\x01";  // version 1
    const std::uint32_t crc = Crc32(stored);
    for (int i = 0; i < 4; ++i) data += static_cast<char>(crc >> (8 * i));  // CRC of the name
    return ExtraBlock(0x7075, data + utf8);
  };
  struct Case {
    const char* what;
    std::string name;
    std::uint16_t flags;
    std::string extra;
    std::int32_t code;
    std::string file;    // the host name written (UTF-8), when extracted
    std::string reason;  // ExtractMessage's detail, when refused
  };
  const std::vector<Case> cases = {
      {"flagged Czech", czech, 0x0800, "", 0, czech, ""},
      {"flagged in a folder", "Slo\xC5\xBEka/" + czech, 0x0800, "", 0, "Slo\xC5\xBEka/" + czech,
       ""},
      {"flagged ASCII", "plain.txt", 0x0800, "", 0, "plain.txt", ""},
      {"unflagged UTF-8 bytes stay as stored (1250)", czech, 0, "", 0,
       "P\xC4\xB9\xE2\x84\xA2\xC4\x82\xC2\xADru\xC3\x84\xC5\xA4ka.txt", ""},
      {"a Unicode path field", "Prirucka.txt", 0, unicodePath("Prirucka.txt", czech), 0, czech, ""},
      {"a stale Unicode path field", "Prirucka.txt", 0, unicodePath("Other.txt", czech), 0,
       "Prirucka.txt", ""},
      {"flagged Japanese", "\xE6\x97\xA5\xE6\x9C\xAC.txt", 0x0800, "", unzip::kWriteError, "",
       "??.txt: invalid name: it holds a character that code page 1250 lacks"},
      {"flagged bytes that are no UTF-8", "a\xC3(b.txt", 0x0800, "", unzip::kWriteError, "",
       "a?(b.txt: invalid name: flagged UTF-8 but not valid UTF-8"},
      {"flagged overlong UTF-8 for '/'", "a\xC0\xAF..\xC0\xAFx.txt", 0x0800, "", unzip::kWriteError,
       "", "a??..??x.txt: invalid name: flagged UTF-8 but not valid UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Archive a;
    Member m = Stored(c.name, "content");
    m.flags = c.flags;
    m.extra = c.extra;
    a.members = {Stored("first.txt", "1"), m};
    unzip::RunFailure why;
    EXPECT_EQ(Extract(a, &why), c.code);
    std::map<std::string, std::string> expected = {{"first.txt", "1"}};
    if (c.code == 0) {
      expected[c.file] = "content";
      if (c.file.find('/') != std::string::npos) expected[c.file.substr(0, c.file.find('/') + 1)];
    } else {
      EXPECT_EQ(unzip::ExtractMessage(c.code, "x.zip", why),
                "Write error!: x.zip (" + c.reason + ")");
    }
    EXPECT_EQ(Out(), expected);
  }
}

// --- links in the destination ------------------------------------------------------------------

// An output file never follows a link that is already at its path: the link is replaced, as
// Info-ZIP unzip does. A member whose way goes through a folder link fails with a write error
// and writes nothing. The links' targets lie outside the destination and stay as they were.
TEST_F(HostileArchive, NothingIsWrittenThroughALinkInTheDestination) {
  const fs::path outside = HostOf(In("outside"));
  struct Case {
    const char* what;
    const char* link;    // below the destination
    const char* target;  // below `outside`, or a missing one
    const char* member;
    std::int32_t code;
  };
  for (const Case& c :
       {Case{"a file link at the member's path", "a.txt", "victim.txt", "a.txt", 0},
        Case{"a dangling link at the member's path", "a.txt", "none.txt", "a.txt", 0},
        Case{"a folder link at the member's path", "a.txt", "dir", "a.txt", 0},
        Case{"a folder link on the way", "sub", "dir", "sub/a.txt", unzip::kWriteError},
        Case{"a folder link deeper on the way", "x/sub", "dir", "x/sub/y/a.txt",
             unzip::kWriteError},
        Case{"a folder entry through a folder link", "sub", "dir", "sub/new/",
             unzip::kWriteError}}) {
    SCOPED_TRACE(c.what);
    fs::remove_all(outside);
    fs::create_directories(outside / "dir");
    std::ofstream(outside / "victim.txt") << "keep";
    std::ofstream(outside / "dir" / "a.txt") << "keep too";
    fs::remove_all(HostOf(out_));
    const fs::path link = HostOf(out_) / c.link;
    fs::create_directories(link.parent_path());
    fs::create_symlink(outside / c.target, link);
    Archive a;
    a.members = {Stored("first.txt", "1"), Stored(c.member, "member data")};
    Write(a.Bytes());
    unzip::RunFailure why;
    EXPECT_EQ(Extract(&why), c.code);
    EXPECT_EQ(Out()["first.txt"], "1");
    if (c.code == 0) {
      EXPECT_FALSE(fs::is_symlink(link));
      EXPECT_EQ(Out()[c.member], "member data");
    } else {
      EXPECT_TRUE(fs::is_symlink(link));
      EXPECT_NE(why.reason.find("its way goes through a link"), std::string::npos) << why.reason;
    }
    EXPECT_EQ(FileBytes(In("outside\\victim.txt")), "keep");
    EXPECT_EQ(FileBytes(In("outside\\dir\\a.txt")), "keep too");
    EXPECT_EQ(Names(In("outside\\dir")), std::vector<std::string>{"a.txt"});
  }
}

// --- sizes --------------------------------------------------------------------------------------

// A compressed size that reaches past the next member or the directory is a structure error
// before anything is read (0x80000000 and above once failed the CRC instead).
TEST_F(HostileArchive, ACompressedSizePastTheDataIsSeriousAndWritesNothing) {
  for (std::uint32_t size : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF0u, 20u}) {
    Archive a;
    Member m = Stored("big.bin", "only a little");
    m.compressedSize = size;
    a.members = {m};
    EXPECT_EQ(Extract(a), unzip::kSeriousError) << size;
    EXPECT_TRUE(Out().empty()) << size;
  }
}

// A claimed size is a limit, not a promise: a member shorter than it is whole when its CRC
// matches; the totals of the progress report are clamped.
std::vector<unzip::ReportRecord> gReports;
void Keep(std::int32_t, unzip::ReportRecord* record) { gReports.push_back(*record); }

TEST_F(HostileArchive, AClaimedSizeOf4GigabytesLimitsOnlyAndTheTotalsAreClamped) {
  Archive a;
  Member m = Deflated("small.txt", "small content");
  m.size = 0xFFFFFFFFu;
  a.members = {m};
  Write(a.Bytes());
  gReports.clear();
  std::int32_t failure = 0;
  EXPECT_EQ(unzip::UnzipArchive(archive_, out_, "*.*", Keep, nullptr, &failure), 1);
  EXPECT_EQ(failure, 0);
  EXPECT_EQ(Out(), (std::map<std::string, std::string>{{"small.txt", "small content"}}));
  ASSERT_FALSE(gReports.empty());
  // The record is packed: its fields are copied out before they are compared.
  const std::int32_t status = gReports.front().Status;
  const std::int32_t startTotal = gReports.front().Size;
  const std::int32_t endTotal = gReports.back().Size;
  EXPECT_EQ(status, unzip::kReportArchiveStart);
  EXPECT_EQ(startTotal, 2147483647);
  EXPECT_EQ(endTotal, 2147483647);
}

// A deflate stream of zeros that inflates to two gigabytes, made with zlib: one megabyte of
// zeros compressed up to a full flush (which leaves no history behind, so the same bytes
// decode the same anywhere), that piece 2048 times, and the final block.
std::string Bomb() {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  const auto run = [&z](const std::string& in, int flush) {
    std::string out;
    char buffer[1 << 16];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      deflate(&z, flush);
      out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    return out;
  };
  const std::string piece = run(std::string(1 << 20, '\0'), Z_FULL_FLUSH);
  std::string out;
  for (int i = 0; i < 2048; ++i) out += piece;
  out += run(std::string(), Z_FINISH);
  deflateEnd(&z);
  return out;
}

// The stream is what it claims: zlib inflates it to 2^31 zeros.
TEST(Bomb, InflatesToTwoGigabytesOfZeros) {
  const std::string bomb = Bomb();
  z_stream z{};
  ASSERT_EQ(inflateInit2(&z, -15), Z_OK);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bomb.data()));
  z.avail_in = static_cast<uInt>(bomb.size());
  std::string buffer(1 << 20, '\1');
  std::uint64_t total = 0;
  int r = Z_OK;
  while (r == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = static_cast<uInt>(buffer.size());
    r = inflate(&z, Z_NO_FLUSH);
    const std::size_t got = buffer.size() - z.avail_out;
    if (total == 0) {
      ASSERT_EQ(buffer.find_first_not_of('\0', 0), got < buffer.size() ? got : std::string::npos);
    }
    total += got;
  }
  inflateEnd(&z);
  EXPECT_EQ(r, Z_STREAM_END);
  EXPECT_EQ(total, 1ull << 31);
}

long MaxResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(HostileArchive, ADeflateBombStopsAtItsDeclaredSizeInBoundedMemory) {
  static const std::string bomb = Bomb();
  ASSERT_LT(bomb.size(), 4u << 20);
  for (bool deferred : {false, true}) {
    Archive a;
    Member m;
    m.name = "bomb.bin";
    m.method = 8;
    m.data = bomb;
    m.content = std::string(1000000, '\0');  // what the headers claim: a megabyte
    if (deferred) m.flags = 0x0008;
    a.members = {m, Stored("after.txt", "after")};
    Write(a.Bytes());
    const long before = MaxResidentKb();
    EXPECT_EQ(Extract(), unzip::kSeriousError) << deferred;
    EXPECT_LT(MaxResidentKb() - before, 64 * 1024) << "memory grew while inflating";
    EXPECT_TRUE(Out().empty()) << deferred;
  }
}

// --- path lengths -------------------------------------------------------------------------------

// A name of `length` characters in folders of at most 50.
std::string LongName(std::size_t length) {
  std::string name;
  while (name.size() < length) {
    const std::size_t left = length - name.size();
    name += left > 51 ? std::string(50, 'd') + "/" : std::string(left, 'f');
  }
  return name;
}

TEST_F(HostileArchive, NamesOf259And260CharactersAreWriteErrors) {
  for (std::size_t length : {259u, 260u, 300u}) {
    Archive a;
    a.members = {Stored(LongName(length), "long")};
    EXPECT_EQ(Extract(a), unzip::kWriteError) << length;
    EXPECT_TRUE(Out().empty() || Out().begin()->first.ends_with("/")) << length;
  }
}

TEST_F(HostileArchive, AnOutputPathOf259CharactersIsExtractedAndOf260IsAWriteError) {
  const std::size_t room = 259 - (out_.size() + 1);  // the destination, "\" and the name
  Archive a;
  a.members = {Stored(LongName(room), "deep")};
  EXPECT_EQ(Extract(a), 0);
  EXPECT_EQ(Out()[LongName(room)], "deep");

  a.members = {Stored(LongName(room + 1), "deeper")};
  EXPECT_EQ(Extract(a), unzip::kWriteError);
  EXPECT_TRUE(Out().empty());
}

}  // namespace
}  // namespace setup::hostile
