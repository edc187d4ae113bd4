// The central directory reader: recognising archives, finding the end record, window mode
// for large directories, names, the mask and the size totals.
#include <gtest/gtest.h>

#include "tests/unzip/support.h"
#include "unzip/unzip.h"

namespace unzip_test {
namespace {

using unzip::EntryRecord;

std::vector<std::string> Names(const std::string& archive) {
  std::vector<std::string> names;
  EntryRecord e;
  for (std::int32_t rc = unzip::FirstEntry(archive, e); rc == 0; rc = unzip::NextEntry(e)) {
    names.push_back(e.FileName);
  }
  EXPECT_EQ(e.Buffer, nullptr);
  return names;
}

TEST(IsZipFile, AcceptsOnlyFilesThatStartWithALocalHeader) {
  TempDir tmp;
  const Bytes zip = BuildZip({Stored("a.txt", "a")});
  WriteAll(tmp / "good.zip", zip);
  WriteAll(tmp / "prog.exe.zip", zip);
  WriteAll(tmp / "noextension", zip);
  WriteAll(tmp / "text.zip", ToBytes("PK\x05\x06 not a local header"));
  std::filesystem::create_directories(tmp / "folder.zip");
  EXPECT_TRUE(unzip::IsZipFile(Win(tmp / "good.zip")));
  EXPECT_FALSE(unzip::IsZipFile(Win(tmp / "prog.exe.zip")));
  EXPECT_FALSE(unzip::IsZipFile(Win(tmp / "noextension")));
  EXPECT_FALSE(unzip::IsZipFile(Win(tmp / "text.zip")));
  EXPECT_FALSE(unzip::IsZipFile(Win(tmp / "folder.zip")));
  EXPECT_FALSE(unzip::IsZipFile(Win(tmp / "folder.zip") + "\\"));
  EXPECT_FALSE(unzip::IsZipFile(Win(tmp / "missing.zip")));
}

TEST(FirstEntry, EndRecordTooNearTheStartIsAFormatError) {
  TempDir tmp;
  WriteAll(tmp / "empty.zip", BuildZip({}));  // only the 22-byte end record
  EntryRecord e;
  EXPECT_EQ(unzip::FirstEntry(Win(tmp / "empty.zip"), e), unzip::kZipFormatError);
  EXPECT_EQ(e.Buffer, nullptr);
  unzip::CloseEntries(e);
  EXPECT_EQ(unzip::NextEntry(e), unzip::kNoMoreEntries);
}

TEST(FirstEntry, MissingEndRecordOrEmptyFileIsAFileError) {
  TempDir tmp;
  Bytes zip = BuildZip({Stored("a.txt", "some text")});
  zip.resize(zip.size() - 22);  // drop the end record
  WriteAll(tmp / "noend.zip", zip);
  WriteAll(tmp / "zero.zip", Bytes{});
  EXPECT_TRUE(unzip::IsZipFile(Win(tmp / "noend.zip")));
  EntryRecord e;
  EXPECT_EQ(unzip::FirstEntry(Win(tmp / "noend.zip"), e), unzip::kFileError);
  EXPECT_EQ(unzip::FirstEntry(Win(tmp / "zero.zip"), e), unzip::kFileError);
  EXPECT_EQ(unzip::FirstEntry(Win(tmp / "missing.zip"), e), unzip::kFileError);
}

TEST(FirstEntry, EndRecordBehindALongCommentIsFound) {
  TempDir tmp;
  WriteAll(tmp / "c.zip",
           BuildZip({Stored("a.txt", "x"), Stored("b.txt", "y")}, std::string(5000, 'c')));
  EXPECT_EQ(Names(Win(tmp / "c.zip")), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(Names(Win(FixtureDir() / "sharpcompress" / "Zip.LongComment.zip")).size(), 1u);
}

TEST(FirstEntry, EntryFieldsComeFromTheCentralDirectory) {
  TempDir tmp;
  ZipMember dos = Stored("dir/sub/file.txt", "hello");
  dos.attributes = 0x21;
  dos.dosTime = DosDateTime(2001, 2, 3, 4, 5, 6);
  ZipMember unix = Stored("u.txt", "abc");
  unix.hostSystem = 3;  // Unix: no DOS attributes
  WriteAll(tmp / "f.zip", BuildZip({dos, unix}));
  EntryRecord e;
  ASSERT_EQ(unzip::FirstEntry(Win(tmp / "f.zip"), e), 0);
  EXPECT_STREQ(e.FileName, "dir\\sub\\file.txt");
  EXPECT_EQ(e.Attributes, 0x21);
  EXPECT_EQ(static_cast<std::uint32_t>(e.Time), DosDateTime(2001, 2, 3, 4, 5, 6));
  EXPECT_EQ(e.Size, 5);
  EXPECT_EQ(e.CompressedSize, 5);
  EXPECT_EQ(e.HeaderOffset, 0);
  EXPECT_EQ(e.Method, 0);
  ASSERT_EQ(unzip::NextEntry(e), 0);
  EXPECT_EQ(e.Attributes, 0);
  EXPECT_EQ(e.HeaderOffset, 30 + 16 + 5);
  EXPECT_EQ(unzip::NextEntry(e), unzip::kNoMoreEntries);
  EXPECT_EQ(e.Buffer, nullptr);
}

TEST(FirstEntry, NamesLongerThan259AreCut) {
  TempDir tmp;
  const std::string name = std::string(150, 'a') + "/" + std::string(150, 'b');
  WriteAll(tmp / "l.zip", BuildZip({Stored(name, "x")}));
  const auto names = Names(Win(tmp / "l.zip"));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], std::string(150, 'a') + "\\" + std::string(108, 'b'));
}

TEST(FirstEntry, LargeDirectoryIsReadThroughTheWindowWithTheSameEntries) {
  TempDir tmp;
  std::vector<ZipMember> members;
  std::vector<std::string> expected;
  for (int i = 0; i < 1800; ++i) {
    // Names of varying length, so that entries straddle the window's end in different ways.
    const std::string name = "folder/" + std::string(10 + i % 37, 'n') + std::to_string(i);
    members.push_back(Stored(name, std::to_string(i)));
    std::string win = name;
    for (char& c : win) c = c == '/' ? '\\' : c;
    expected.push_back(win);
  }
  WriteAll(tmp / "big.zip", BuildZip(members));
  EXPECT_EQ(Names(Win(tmp / "big.zip")), expected);
  EntryRecord e;
  ASSERT_EQ(unzip::FirstEntry(Win(tmp / "big.zip"), e), 0);
  EXPECT_EQ(e.BufferSize, unzip::kDirectoryWindow);
  unzip::CloseEntries(e);
  EXPECT_EQ(e.Buffer, nullptr);
  unzip::CloseEntries(e);
}

TEST(MatchesMask, FollowsTheMaskForms) {
  EXPECT_TRUE(unzip::MatchesMask("*.*", "dir\\"));
  EXPECT_TRUE(unzip::MatchesMask("", "anything"));
  EXPECT_TRUE(unzip::MatchesMask("*.txt", "README.TXT"));
  EXPECT_FALSE(unzip::MatchesMask("*.txt", "a.txt.gz"));
  EXPECT_TRUE(unzip::MatchesMask("*.", "noextension"));
  EXPECT_TRUE(unzip::MatchesMask("read*", "ReadMe.txt"));
  EXPECT_TRUE(unzip::MatchesMask("read*.*", "README"));
  EXPECT_FALSE(unzip::MatchesMask("read*", "rea.txt"));
  EXPECT_TRUE(unzip::MatchesMask("a.txt", "A.TXT"));
  EXPECT_FALSE(unzip::MatchesMask("a.txt", "dir\\a.txt"));
}

TEST(ArchiveSizes, SumsEntriesOrGivesTheFileSize) {
  TempDir tmp;
  WriteAll(tmp / "s.zip", BuildZip({Stored("a", "12345"), Stored("b", "123")}));
  WriteAll(tmp / "n.zip", ToBytes("not an archive at all"));
  std::int64_t compressed = -1;
  EXPECT_EQ(unzip::ArchiveSizes(Win(tmp / "s.zip"), compressed), 8);
  EXPECT_EQ(compressed, 8);
  EXPECT_EQ(unzip::ArchiveSizes(Win(tmp / "n.zip"), compressed), 21);
  EXPECT_EQ(compressed, 21);
  EXPECT_EQ(unzip::ArchiveSizes(Win(tmp / "missing.zip"), compressed), 0);
  EXPECT_EQ(compressed, 0);
}

}  // namespace
}  // namespace unzip_test
