// Behaviour that every platform body must show: Win32 semantics and error codes of the file
// services, the registry, profile INI files, the named mutex across processes and the hidden
// start of a batch. Written only against the platform headers and Windows paths built from
// TempPath(), so the same program runs on Linux and, built with MinGW, under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "test_support.h"

namespace {

using namespace plat;
using namespace setup::testing;

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

// Names matched by a search pattern, "." and ".." included.
std::vector<std::string> Search(const std::string& pattern, std::uint32_t* error = nullptr) {
  std::vector<std::string> names;
  DirSearch s(pattern);
  if (error) *error = s.error();
  if (!s.valid()) return names;
  do {
    names.push_back(s.entry().name);
  } while (s.next());
  std::sort(names.begin(), names.end());
  return names;
}

class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    auto temp = TempPath();
    ASSERT_TRUE(temp.ok());
    ASSERT_FALSE(temp.value().empty());
    ASSERT_EQ(temp.value().back(), '\\');
    dir_ = temp.value() + "plat-" + UniqueName("");
    ASSERT_EQ(CreateDirectory(dir_), kOk);
  }
  void TearDown() override { Erase(dir_); }

  std::string dir_;
};

// --- Folders and files ---------------------------------------------------------------------

TEST_F(Platform, FolderCreationAndRemovalReportWin32Codes) {
  const std::string sub = dir_ + "\\sub";
  EXPECT_EQ(CreateDirectory(sub), kOk);
  EXPECT_EQ(CreateDirectory(sub), kAlreadyExists);
  EXPECT_EQ(CreateDirectory(dir_ + "\\missing\\deeper"), kPathNotFound);
  PutFile(sub + "\\f.txt", "x");
  EXPECT_EQ(RemoveDirectory(sub), kDirNotEmpty);
  EXPECT_EQ(DeleteFile(sub + "\\f.txt"), kOk);
  EXPECT_EQ(RemoveDirectory(sub), kOk);
  EXPECT_EQ(RemoveDirectory(sub), kFileNotFound);
  EXPECT_EQ(RemoveDirectory(dir_ + "\\missing\\deeper"), kPathNotFound);
  EXPECT_EQ(FileAttributes(sub).error, kFileNotFound);
}

TEST_F(Platform, MissingFileAndMissingFolderAreTwoAndThree) {
  const std::string file = dir_ + "\\nofile.txt", deep = dir_ + "\\nodir\\file.txt";
  EXPECT_EQ(FileAttributes(file).error, kFileNotFound);
  EXPECT_EQ(FileAttributes(deep).error, kPathNotFound);
  EXPECT_EQ(OpenFile(file, OpenMode::kRead).error, kFileNotFound);
  EXPECT_EQ(OpenFile(deep, OpenMode::kRead).error, kPathNotFound);
  EXPECT_EQ(OpenFile(deep, OpenMode::kCreate).error, kPathNotFound);
  EXPECT_EQ(DeleteFile(file), kFileNotFound);
  EXPECT_EQ(DeleteFile(deep), kPathNotFound);
  EXPECT_EQ(CopyFile(file, dir_ + "\\copy.txt", false), kFileNotFound);
  EXPECT_EQ(SetCurrentDirectory(dir_ + "\\nodir\\x"), kPathNotFound);
}

TEST_F(Platform, FilesAreWrittenReadSoughtAndTruncated) {
  const std::string path = dir_ + "\\data.bin";
  PutFile(path, std::string("abc\0def", 7));
  auto f = File::Open(path, OpenMode::kReadWrite);
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(FileSize(f.value().get()).value_or({}), 7);
  EXPECT_EQ(SeekFile(f.value().get(), 4, SeekOrigin::kBegin).value_or({}), 4);
  char buf[8] = {};
  EXPECT_EQ(ReadFile(f.value().get(), buf, sizeof buf).value_or({}), 3u);
  EXPECT_EQ(std::string(buf, 3), "def");
  auto atEnd = ReadFile(f.value().get(), buf, sizeof buf);
  EXPECT_TRUE(atEnd.ok());
  EXPECT_EQ(atEnd.value(), 0u);
  EXPECT_EQ(SeekFile(f.value().get(), -2, SeekOrigin::kEnd).value_or({}), 5);
  EXPECT_EQ(WriteFile(f.value().get(), "XY", 2).value_or({}), 2u);
  EXPECT_FALSE(SeekFile(f.value().get(), -100, SeekOrigin::kCurrent).ok());
  EXPECT_EQ(f.value().close(), kOk);
  EXPECT_EQ(FileBytes(path), std::string("abc\0dXY", 7));
  PutFile(path, "1");  // create over an existing file truncates it
  EXPECT_EQ(FileBytes(path), "1");
}

TEST_F(Platform, AFileOpenedForReadingCannotBeWritten) {
  const std::string path = dir_ + "\\r.txt";
  PutFile(path, "abc");
  auto f = File::Open(path, OpenMode::kRead);
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(WriteFile(f.value().get(), "z", 1).error, kAccessDenied);
  EXPECT_EQ(OpenFile(dir_, OpenMode::kRead).error, kAccessDenied);  // a folder is no file
}

TEST_F(Platform, AFileIsNoFolder) {
  const std::string file = dir_ + "\\plain";
  PutFile(file, "x");
  EXPECT_EQ(RemoveDirectory(file), 267u);  // ERROR_DIRECTORY
  EXPECT_EQ(SetCurrentDirectory(file), 267u);
  EXPECT_EQ(SetCurrentDirectory(dir_ + "\\missing"), kFileNotFound);
  EXPECT_EQ(FileAttributes(file + "\\inside").error, kPathNotFound);
  EXPECT_EQ(CreateDirectory(file + "\\inside"), kPathNotFound);
  auto f = File::Open(file, OpenMode::kRead);
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(SeekFile(f.value().get(), -1, SeekOrigin::kBegin).error, 131u);  // negative seek
}

// ":" is left out: on NTFS and under Wine it names a stream, not an invalid name.
TEST_F(Platform, NamesWithCharactersWindowsRefusesAreInvalid) {
  for (const char* name : {"\\a*b", "\\a?b", "\\a<b", "\\a>b", "\\a|b", "\\a\"b"}) {
    EXPECT_EQ(CreateDirectory(dir_ + name), kInvalidName) << name;
    EXPECT_EQ(OpenFile(dir_ + name, OpenMode::kCreate).error, kInvalidName) << name;
  }
}

TEST_F(Platform, ReadOnlyFilesRefuseDeleteAndWriteOpen) {
  const std::string path = dir_ + "\\ro.txt";
  PutFile(path, "keep");
  EXPECT_EQ(FileAttributes(path).value_or({}) & (kAttrReadOnly | kAttrDirectory), 0u);
  ASSERT_EQ(SetFileAttributes(path, kAttrReadOnly), kOk);
  EXPECT_NE(FileAttributes(path).value_or({}) & kAttrReadOnly, 0u);
  EXPECT_EQ(DeleteFile(path), kAccessDenied);
  EXPECT_EQ(OpenFile(path, OpenMode::kReadWrite).error, kAccessDenied);
  EXPECT_EQ(OpenFile(path, OpenMode::kCreate).error, kAccessDenied);
  PutFile(dir_ + "\\other.txt", "other");
  EXPECT_EQ(CopyFile(dir_ + "\\other.txt", path, false), kAccessDenied);
  EXPECT_EQ(FileBytes(path), "keep");
  ASSERT_EQ(SetFileAttributes(path, kAttrNormal), kOk);
  EXPECT_EQ(FileAttributes(path).value_or({}) & kAttrReadOnly, 0u);
  EXPECT_EQ(DeleteFile(path), kOk);
  EXPECT_FALSE(PathExists(path));
}

TEST_F(Platform, AttributesTellFoldersFromPlainFiles) {
  PutFile(dir_ + "\\plain.txt", "x");
  const auto file = FileAttributes(dir_ + "\\plain.txt");
  ASSERT_TRUE(file.ok());
  EXPECT_NE(file.value() & kAttrArchive, 0u);
  EXPECT_EQ(file.value() & kAttrDirectory, 0u);
  const auto folder = FileAttributes(dir_);
  ASSERT_TRUE(folder.ok());
  EXPECT_NE(folder.value() & kAttrDirectory, 0u);
  EXPECT_EQ(DeleteFile(dir_), kAccessDenied);
}

TEST_F(Platform, CopyHonoursFailIfExistsAndOverwritesOtherwise) {
  const std::string a = dir_ + "\\a.txt", b = dir_ + "\\b.txt";
  PutFile(a, "new contents");
  PutFile(b, "old");
  EXPECT_EQ(CopyFile(a, b, true), kFileExists);
  EXPECT_EQ(FileBytes(b), "old");
  EXPECT_EQ(CopyFile(a, b, false), kOk);
  EXPECT_EQ(FileBytes(b), "new contents");
  EXPECT_EQ(CopyFile(a, dir_ + "\\c.txt", true), kOk);
  EXPECT_EQ(FileBytes(dir_ + "\\c.txt"), "new contents");
  EXPECT_EQ(CopyFile(a, dir_ + "\\nodir\\c.txt", false), kPathNotFound);
  EXPECT_EQ(CopyFile(a, a, false), 32u);  // onto itself: a sharing violation, contents kept
  EXPECT_EQ(FileBytes(a), "new contents");
}

TEST_F(Platform, MoveReplacesTheTarget) {
  const std::string a = dir_ + "\\a.txt", b = dir_ + "\\b.txt";
  PutFile(a, "moved");
  PutFile(b, "replaced");
  EXPECT_EQ(MoveFile(a, b), kOk);
  EXPECT_FALSE(PathExists(a));
  EXPECT_EQ(FileBytes(b), "moved");
  EXPECT_EQ(MoveFile(a, b), kFileNotFound);
}

TEST_F(Platform, NamesMatchWithoutRegardToCase) {
  ASSERT_EQ(CreateDirectory(dir_ + "\\Sources"), kOk);
  EXPECT_EQ(CreateDirectory(dir_ + "\\sources"), kAlreadyExists);
  PutFile(dir_ + "\\SOURCES\\Vorlex.lnk", "l");
  EXPECT_EQ(FileBytes(dir_ + "\\sources\\vorlex.LNK"), "l");
  EXPECT_EQ(Search(dir_ + "\\sources\\*"), (std::vector<std::string>{".", "..", "Vorlex.lnk"}));
  EXPECT_EQ(DeleteFile(Upper(dir_) + "\\SOURCES\\VORLEX.LNK"), kOk);
  EXPECT_EQ(RemoveDirectory(dir_ + "\\sOuRcEs"), kOk);
}

// --- Directory search ----------------------------------------------------------------------

TEST_F(Platform, WildcardsMatchAsFindFirstFileDoes) {
  for (const char* name : {"a.txt", "b.TXT", "noext", "c.tar.gz", "ab"}) {
    PutFile(dir_ + "\\" + name, name);
  }
  ASSERT_EQ(CreateDirectory(dir_ + "\\folder"), kOk);
  const std::vector<std::string> all = {".",     "..",       "a.txt",  "ab",
                                        "b.TXT", "c.tar.gz", "folder", "noext"};
  EXPECT_EQ(Search(dir_ + "\\*"), all);
  EXPECT_EQ(Search(dir_ + "\\*.*"), all);  // also the names without a dot
  EXPECT_EQ(Search(dir_ + "\\*.txt"), (std::vector<std::string>{"a.txt", "b.TXT"}));
  EXPECT_EQ(Search(dir_ + "\\*.gz"), (std::vector<std::string>{"c.tar.gz"}));
  EXPECT_EQ(Search(dir_ + "\\?.txt"), (std::vector<std::string>{"a.txt", "b.TXT"}));
  EXPECT_EQ(Search(dir_ + "\\a*"), (std::vector<std::string>{"a.txt", "ab"}));
  EXPECT_EQ(Search(dir_ + "\\NOEXT"), (std::vector<std::string>{"noext"}));
  std::uint32_t error = kOk;
  EXPECT_TRUE(Search(dir_ + "\\*.zip", &error).empty());
  EXPECT_EQ(error, kFileNotFound);
  EXPECT_TRUE(Search(dir_ + "\\nodir\\*.*", &error).empty());
  EXPECT_EQ(error, kPathNotFound);
}

TEST_F(Platform, SearchReportsAttributesAndSizes) {
  PutFile(dir_ + "\\five.txt", "12345");
  ASSERT_EQ(CreateDirectory(dir_ + "\\sub"), kOk);
  int seen = 0;
  for (DirSearch s(dir_ + "\\*.*"); s.valid();) {
    const auto& e = s.entry();
    if (e.name == "." || e.name == ".." || e.name == "sub") {
      EXPECT_NE(e.attributes & kAttrDirectory, 0u) << e.name;
      ++seen;
    } else if (e.name == "five.txt") {
      EXPECT_EQ(e.attributes & kAttrDirectory, 0u);
      EXPECT_EQ(e.size, 5u);
      ++seen;
    }
    if (!s.next()) {
      EXPECT_EQ(s.error(), kNoMoreFiles);
      break;
    }
  }
  EXPECT_EQ(seen, 4);
}

// --- Times, names, environment -------------------------------------------------------------

TEST_F(Platform, DosTimeIsSetAndAnInvalidDateRefused) {
  const std::string path = dir_ + "\\t.txt";
  PutFile(path, "x");
  auto f = File::Open(path, OpenMode::kWriteAttrib);
  ASSERT_TRUE(f.ok());
  // 2004-02-29 13:45:58
  const std::uint16_t date = ((2004 - 1980) << 9) | (2 << 5) | 29;
  const std::uint16_t time = (13 << 11) | (45 << 5) | (58 / 2);
  EXPECT_EQ(SetFileTimeFromDos(f.value().get(), date, time), kOk);
  EXPECT_NE(SetFileTimeFromDos(f.value().get(), 0, 0), kOk);  // month 0, day 0
  const std::uint16_t feb30 = ((2003 - 1980) << 9) | (2 << 5) | 30;
  EXPECT_NE(SetFileTimeFromDos(f.value().get(), feb30, 0), kOk);
  EXPECT_NE(SetFileTimeFromDos(f.value().get(), date, (24 << 11)), kOk);
}

TEST_F(Platform, ShortPathOfAnExistingPathNamesTheSameFolder) {
  ASSERT_EQ(CreateDirectory(dir_ + "\\Long Folder Name"), kOk);
  PutFile(dir_ + "\\Long Folder Name\\inside.txt", "in");
  auto s = ShortPathName(dir_ + "\\Long Folder Name");
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(FileBytes(s.value() + "\\inside.txt"), "in");
  EXPECT_EQ(ShortPathName(dir_ + "\\Missing Folder").error, kFileNotFound);
  // GetShortPathName looks each component up, so any missing one is "file not found".
  EXPECT_EQ(ShortPathName(dir_ + "\\Missing Folder\\x").error, kFileNotFound);
}

TEST_F(Platform, CurrentDirectoryFollowsSetAndResolvesRelativeNames) {
  auto saved = CurrentDirectory();
  ASSERT_TRUE(saved.ok());
  ASSERT_EQ(SetCurrentDirectory(dir_), kOk);
  auto now = CurrentDirectory();
  ASSERT_TRUE(now.ok());
  EXPECT_EQ(Upper(now.value()), Upper(dir_));
  EXPECT_EQ(CreateDirectory("rel"), kOk);
  PutFile("rel\\f.txt", "r");
  EXPECT_EQ(FileBytes(dir_ + "\\rel\\f.txt"), "r");
  EXPECT_EQ(FileBytes(".\\rel\\..\\rel\\f.txt"), "r");
  EXPECT_EQ(SetCurrentDirectory(saved.value()), kOk);
}

TEST(PlatformProcess, TempAndModuleNamesExist) {
  auto temp = TempPath();
  ASSERT_TRUE(temp.ok());
  EXPECT_NE(FileAttributes(temp.value()).value_or({}) & kAttrDirectory, 0u);
  auto env = Environment("TEMP");
  ASSERT_TRUE(env.has_value());
  EXPECT_NE(FileAttributes(*env).value_or({}) & kAttrDirectory, 0u);
  EXPECT_FALSE(Environment("SETUP_SURELY_UNSET_VARIABLE_" + UniqueName("")).has_value());
  auto self = ModuleFileName();
  ASSERT_TRUE(self.ok());
  EXPECT_EQ(self.value().substr(1, 2), ":\\");
  EXPECT_EQ(FileAttributes(self.value()).value_or({}) & kAttrDirectory, 0u);
}

// --- Registry ------------------------------------------------------------------------------

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { root_ = "Software\\VorlexPlatformTest" + UniqueName(""); }
  void TearDown() override { DeleteTree(root_); }

  static void DeleteTree(const std::string& path) {
    auto key = RegKey::Open(Hive::kCurrentUser, path);
    if (!key.ok()) return;
    for (;;) {
      auto sub = RegEnumKey(key.value().get(), 0);
      if (!sub.ok()) break;
      DeleteTree(path + "\\" + sub.value());
    }
    key.value().reset();
    auto parent = RegKey::Open(Hive::kCurrentUser, path.substr(0, path.rfind('\\')));
    if (parent.ok()) RegDeleteKey(parent.value().get(), path.substr(path.rfind('\\') + 1));
  }

  std::string root_;
};

TEST_F(Registry, StringsAreStoredWithTheirZeroAndReadByAnyCase) {
  EXPECT_EQ(RegOpenKey(Hive::kCurrentUser, root_ + "\\Korb\\Vorlex").error, kFileNotFound);
  auto key = RegKey::Create(Hive::kCurrentUser, "\\" + root_ + "\\Korb\\Vorlex");
  ASSERT_TRUE(key.ok());
  ASSERT_EQ(RegSetString(key.value().get(), "AppDir", "C:\\Program Files\\Vorlex \"x\""), kOk);
  auto v = RegQueryValue(key.value().get(), "appdir");
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v.value().type, kRegSz);
  EXPECT_EQ(v.value().data, std::string("C:\\Program Files\\Vorlex \"x\"\0", 28));
  EXPECT_EQ(RegQueryValue(key.value().get(), "Other").error, kFileNotFound);
  ASSERT_EQ(RegSetString(key.value().get(), "APPDIR", "P\xF8\xEDru\xE8ka"), kOk);
  auto again = RegKey::Open(Hive::kCurrentUser, Upper(root_) + "\\korb\\VORLEX");
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(RegQueryValue(again.value().get(), "AppDir").value_or({}).data,
            std::string("P\xF8\xEDru\xE8ka\0", 9));
  auto slash = RegKey::Open(Hive::kCurrentUser, "\\" + root_ + "\\Korb\\Vorlex");
  EXPECT_TRUE(slash.ok());
  // DWORDs: four little-endian bytes; a string of the same name is replaced by one.
  for (const std::uint32_t value : {0u, 1u, 0x12345678u, 0xFFFFFFFFu}) {
    ASSERT_EQ(RegSetDword(key.value().get(), "AppDir", value), kOk);
    auto d = RegQueryValue(again.value().get(), "appdir");
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.value().type, kRegDword);
    const std::string bytes = {
        static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF),
        static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 24 & 0xFF)};
    EXPECT_EQ(d.value().data, bytes) << value;
  }
}

TEST_F(Registry, AKeyWithSubkeysIsDeletedOnlyDepthFirst) {
  ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, root_ + "\\Korb\\Vorlex\\Deep").ok());
  auto top = RegKey::Open(Hive::kCurrentUser, root_);
  ASSERT_TRUE(top.ok());
  EXPECT_EQ(RegDeleteKey(top.value().get(), "Korb"), kAccessDenied);
  EXPECT_EQ(RegDeleteKey(top.value().get(), "Korb\\Vorlex"), kAccessDenied);
  EXPECT_EQ(RegDeleteKey(top.value().get(), "Korb\\Vorlex\\Deep"), kOk);
  EXPECT_EQ(RegDeleteKey(top.value().get(), "Korb\\Vorlex\\Deep"), kFileNotFound);
  EXPECT_EQ(RegDeleteKey(top.value().get(), "Korb\\Vorlex"), kOk);
  EXPECT_EQ(RegDeleteKey(top.value().get(), "korb"), kOk);
  EXPECT_EQ(RegOpenKey(Hive::kCurrentUser, root_ + "\\Korb").error, kFileNotFound);
}

TEST_F(Registry, AHandleOfADeletedKeyReportsIt) {
  auto key = RegKey::Create(Hive::kCurrentUser, root_ + "\\Gone");
  ASSERT_TRUE(key.ok());
  ASSERT_EQ(RegSetString(key.value().get(), "v", "1"), kOk);
  EXPECT_EQ(RegDeleteKey(key.value().get(), ""), kOk);            // the key itself
  EXPECT_EQ(RegQueryValue(key.value().get(), "v").error, 1018u);  // ERROR_KEY_DELETED
  EXPECT_EQ(RegSetString(key.value().get(), "v", "2"), 1018u);
  EXPECT_EQ(RegOpenKey(Hive::kCurrentUser, root_ + "\\Gone").error, kFileNotFound);
}

TEST_F(Registry, SubkeysAreEnumeratedAndCounted) {
  for (const char* name : {"Beta", "alpha", "Gamma3"}) {
    ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, root_ + "\\" + name).ok());
  }
  ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, root_ + "\\ALPHA\\child").ok());
  auto key = RegKey::Open(Hive::kCurrentUser, root_);
  ASSERT_TRUE(key.ok());
  auto info = RegQueryInfo(key.value().get());
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.value().subkeys, 3u);
  EXPECT_EQ(info.value().maxSubkeyLength, 6u);
  std::vector<std::string> names;
  for (std::uint32_t i = 0;; ++i) {
    auto n = RegEnumKey(key.value().get(), i);
    if (!n.ok()) {
      EXPECT_EQ(n.error, kNoMoreItems);
      break;
    }
    names.push_back(n.value());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Beta", "Gamma3", "alpha"}));
}

TEST(RegistrySeed, ShellFoldersAndProgramFilesArePresent) {
  auto shell = RegKey::Open(
      Hive::kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  ASSERT_TRUE(shell.ok());
  for (const char* name : {"Desktop", "Start Menu", "Programs"}) {
    auto v = RegQueryValue(shell.value().get(), name);
    ASSERT_TRUE(v.ok()) << name;
    const std::string folder = v.value().data.substr(0, v.value().data.find('\0'));
    EXPECT_NE(FileAttributes(folder).value_or({}) & kAttrDirectory, 0u) << folder;
  }
  auto cv = RegKey::Open(Hive::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
  ASSERT_TRUE(cv.ok());
  auto pf = RegQueryValue(cv.value().get(), "ProgramFilesDir");
  ASSERT_TRUE(pf.ok());
  EXPECT_EQ(pf.value().type, kRegSz);
}

// --- Profile INI files ---------------------------------------------------------------------

TEST_F(Platform, ProfileWritesCrlfLinesWithoutBlankLines) {
  const std::string ini = dir_ + "\\setup.ini";
  EXPECT_EQ(ProfileWriteString("ALL", "Key", "Value", ini), kOk);
  EXPECT_EQ(ProfileWriteString("Other", "A", "1", ini), kOk);
  EXPECT_EQ(ProfileWriteString("all", "key2", "P\xF8\xEDru\xE8ka", ini), kOk);
  EXPECT_EQ(ProfileWriteString("ALL", "KEY", "Changed", ini), kOk);
  EXPECT_EQ(FileBytes(ini), "[ALL]\r\nKey=Changed\r\nkey2=P\xF8\xEDru\xE8ka\r\n[Other]\r\nA=1\r\n");
  EXPECT_EQ(ProfileGetString("all", "KEY2", "", ini), "P\xF8\xEDru\xE8ka");
}

TEST_F(Platform, ProfileReadTrimsAndUnquotesAndAWriteNormalisesTheFile) {
  const std::string ini = dir_ + "\\rules.ini";
  PutFile(ini,
          "[all]\n  key1  =  spaced value  \nkey2=\"quoted value\"\nkey3='single'\n"
          "key4=\"only start\nkey5=\"x\"y\"\nkey6=\"\n\n[Other]\nk=v\n");
  EXPECT_EQ(ProfileGetString("ALL", "key1", "d", ini), "spaced value");
  EXPECT_EQ(ProfileGetString("ALL", "key2", "d", ini), "quoted value");
  EXPECT_EQ(ProfileGetString("ALL", "key3", "d", ini), "single");
  EXPECT_EQ(ProfileGetString("ALL", "key4", "d", ini), "\"only start");
  EXPECT_EQ(ProfileGetString("ALL", "key5", "d", ini), "x\"y");
  EXPECT_EQ(ProfileGetString("ALL", "key6", "d", ini), "\"");
  EXPECT_EQ(ProfileGetString("ALL", "missing", "fallback", ini), "fallback");
  EXPECT_EQ(ProfileGetString("None", "k", "fallback", ini), "fallback");
  EXPECT_EQ(ProfileGetString("ALL", "k", "fallback", dir_ + "\\absent.ini"), "fallback");
  EXPECT_EQ(ProfileWriteString("ALL", "new", "1", ini), kOk);
  EXPECT_EQ(FileBytes(ini),
            "[all]\r\nkey1=spaced value\r\nkey2=\"quoted value\"\r\nkey3='single'\r\n"
            "key4=\"only start\r\nkey5=\"x\"y\"\r\nkey6=\"\r\nnew=1\r\n[Other]\r\nk=v\r\n");
}

TEST_F(Platform, ProfileNamesAreTrimmedAndAnUnchangedWriteLeavesTheFileAlone) {
  const std::string ini = dir_ + "\\names.ini";
  PutFile(ini, "; note\n[ ALL ]\nnoequals\n k = v \n[ALL]\nsecond=2\n");
  EXPECT_EQ(ProfileGetString("all", "K", "d", ini), "v");
  EXPECT_EQ(ProfileGetString("ALL", "noequals", "d", ini), "d");  // a key without a value
  EXPECT_EQ(ProfileGetString("ALL", "second", "d", ini), "d");    // only the first section
  EXPECT_EQ(ProfileGetString("ALL", "missing", "fall  ", ini), "fall");
  EXPECT_EQ(ProfileWriteString("ALL", "k", "v", ini), kOk);
  EXPECT_EQ(FileBytes(ini), "; note\n[ ALL ]\nnoequals\n k = v \n[ALL]\nsecond=2\n");
  EXPECT_EQ(ProfileWriteString(" New ", "  key  ", "  value", ini), kOk);
  EXPECT_EQ(FileBytes(ini),
            "; note\r\n[ALL]\r\nnoequals\r\nk=v\r\n[ALL]\r\nsecond=2\r\n[New ]\r\nkey  =value\r\n");
  EXPECT_EQ(ProfileGetString("new", "KEY", "d", ini), "value");
}

TEST_F(Platform, ProfileValuesAreCutTo2047Characters) {
  const std::string ini = dir_ + "\\long.ini";
  const std::string value(3000, 'v');
  ASSERT_EQ(ProfileWriteString("ALL", "Long", value, ini), kOk);
  EXPECT_EQ(ProfileGetString("ALL", "Long", "", ini), value.substr(0, 2047));
}

TEST_F(Platform, ProfileErasesKeysAndSections) {
  const std::string ini = dir_ + "\\erase.ini";
  ASSERT_EQ(ProfileWriteString("ALL", "Count", "2", ini), kOk);
  ASSERT_EQ(ProfileWriteString("ALL", "Item0", "a", ini), kOk);
  ASSERT_EQ(ProfileWriteString("Keep", "x", "y", ini), kOk);
  EXPECT_EQ(ProfileWriteString("all", "ITEM0", std::nullopt, ini), kOk);
  EXPECT_EQ(ProfileGetString("ALL", "Item0", "gone", ini), "gone");
  EXPECT_EQ(ProfileWriteString("all", std::nullopt, std::nullopt, ini), kOk);
  EXPECT_EQ(ProfileGetString("ALL", "Count", "gone", ini), "gone");
  EXPECT_EQ(FileBytes(ini), "[Keep]\r\nx=y\r\n");
}

TEST_F(Platform, ProfileWriteToAReadOnlyFileFailsWithAccessDenied) {
  const std::string ini = dir_ + "\\ro.ini";
  ASSERT_EQ(ProfileWriteString("ALL", "a", "1", ini), kOk);
  ASSERT_EQ(SetFileAttributes(ini, kAttrReadOnly), kOk);
  EXPECT_EQ(ProfileWriteString("ALL", "a", "2", ini), kAccessDenied);
  EXPECT_EQ(ProfileGetString("ALL", "a", "", ini), "1");
  EXPECT_EQ(ProfileWriteString("ALL", "a", "2", dir_ + "\\nodir\\x.ini"), kPathNotFound);
}

// --- Mutex and hidden start ----------------------------------------------------------------

// Runs a second copy of this program that opens the mutex and checks what it sees.
bool ProbeSees(const std::string& name, const char* expected) {
  return RunSelf("--mutex-probe " + name + " " + expected);
}

TEST(PlatformProcess, ASecondProcessSeesTheMutexTaken) {
  const std::string name = "SETUPTest" + UniqueName("");
  auto first = CreateNamedMutex(name);
  ASSERT_EQ(first.error, kOk);
  ASSERT_NE(first.handle, kNoHandle);
  EXPECT_TRUE(ProbeSees(name, "taken"));
  CloseMutex(first.handle);
  EXPECT_TRUE(ProbeSees(name, "free"));
}

// Starts setup123.bat in `folder` (a name in the temp folder) from a second copy of this
// program, which ends at once, as the program that writes its self-removal batch does.
bool StartedByAnotherProcess(const std::string& folder) {
  return RunSelf("--start-hidden " + folder);
}

TEST_F(Platform, AHiddenBatchErasesFilesAndItself) {
  const std::string victim = dir_ + "\\victim.exe", ini = dir_ + "\\victim.ini";
  const std::string folder = dir_ + "\\Empty Folder", bat = dir_ + "\\setup123.bat";
  PutFile(victim, "x");
  ASSERT_EQ(CreateDirectory(folder), kOk);
  const std::string script = "@echo off\r\n:1\r\nErase \"" + victim + "\"\r\nIf exist \"" + victim +
                             "\" Goto 1\r\n:2\r\nErase \"" + ini + "\"\r\nIf exist \"" + ini +
                             "\" Goto 2\r\nrd \"" + folder + "\"\r\nErase \"" + bat + "\"\r\n";
  PutFile(bat, script);
  ASSERT_TRUE(StartedByAnotherProcess(dir_.substr(TempPath().value_or({}).size())));
  EXPECT_TRUE(Eventually([&] { return !PathExists(bat); }));
  EXPECT_FALSE(PathExists(victim));
  EXPECT_FALSE(PathExists(folder));
  EXPECT_LE(StartHidden(dir_ + "\\absent.bat"), 31u);
}

}  // namespace

int main(int argc, char** argv) {
  // A copy started by ASecondProcessSeesTheMutexTaken: exit 0 when the mutex is as expected.
  if (argc == 4 && std::string(argv[1]) == "--mutex-probe") {
    const auto m = plat::CreateNamedMutex(argv[2]);
    const bool taken = m.error == plat::kAlreadyExists && m.handle != plat::kNoHandle;
    const bool free = m.error == plat::kOk && m.handle != plat::kNoHandle;
    if (m.handle != plat::kNoHandle) plat::CloseMutex(m.handle);
    return (std::string(argv[3]) == "taken" ? taken : free) ? 0 : 1;
  }
  // A copy started by StartedByAnotherProcess: exit 0 when the batch was started.
  if (argc == 3 && std::string(argv[1]) == "--start-hidden") {
    return plat::StartHidden(plat::TempPath().value_or({}) + argv[2] + "\\setup123.bat") > 31 ? 0
                                                                                              : 1;
  }
  setup::testing::SetSelfPath(std::filesystem::absolute(argv[0]));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
