// What only the POSIX body has: the prefix and its seeding, the C: and Z: mapping, names
// matched without regard to case and converted between code page 1250 and UTF-8, the
// registry files and their atomic replacement, and the batch interpreter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using namespace setup::testing;

// StartHidden called in a child process that ends as soon as it returns, as the program that
// starts its self-removal batch does: the batch waits for its starter to end. Gives what
// StartHidden returned.
int StartFromChild(const std::string& commandLine) {
  const pid_t child = fork();
  if (child == 0) _exit(static_cast<int>(StartHidden(commandLine)));
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Each test gets a fresh prefix and leaves the current directory as it found it.
class Posix : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = root_.path();
    setenv("SETUP_PREFIX", prefix_.c_str(), 1);
    cwd_ = fs::current_path();
    ASSERT_TRUE(TempPath().ok());  // seeds the prefix
  }
  void TearDown() override {
    fs::current_path(cwd_);
    unsetenv("SETUP_PREFIX");
  }

  std::string Temp() { return TempPath().value_or({}); }  // "C:\users\<user>\Temp\"
  fs::path HostTemp() { return prefix_ / "drive_c/users" / UserName() / "Temp"; }
  static std::string UserName() {
    std::string profile = Environment("USERPROFILE").value();
    return profile.substr(profile.rfind('\\') + 1);
  }

  TempDir root_;     // removed after the test
  fs::path prefix_;  // the prefix in use, inside root_
  fs::path cwd_;
};

TEST_F(Posix, APrefixIsSeededOnFirstUse) {
  prefix_ /= "fresh";
  setenv("SETUP_PREFIX", prefix_.c_str(), 1);
  EXPECT_FALSE(fs::exists(prefix_));
  EXPECT_EQ(Temp(), "C:\\users\\" + UserName() + "\\Temp\\");
  EXPECT_EQ(Environment("temp"), "C:\\users\\" + UserName() + "\\Temp");
  const fs::path user = prefix_ / "drive_c/users" / UserName();
  for (const fs::path& p :
       {prefix_ / "drive_c/Program Files", prefix_ / "drive_c/windows", user / "Desktop",
        user / "Temp", user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"}) {
    EXPECT_TRUE(fs::is_directory(p)) << p;
  }
  const std::string userReg = ReadText(prefix_ / "user.reg");
  EXPECT_EQ(userReg.substr(0, 10), "REGEDIT4\r\n");
  EXPECT_NE(userReg.find("\"Desktop\"=\"C:\\\\users\\\\" + UserName() + "\\\\Desktop\""),
            std::string::npos);
  auto cv = RegKey::Open(Hive::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
  ASSERT_TRUE(cv.ok());
  EXPECT_EQ(RegQueryValue(cv.value().get(), "ProgramFilesDir").value_or({}).data,
            std::string("C:\\Program Files\0", 17));
  // As on NT: SystemRoot lives under Windows NT\CurrentVersion, not Windows\CurrentVersion.
  EXPECT_EQ(RegQueryValue(cv.value().get(), "SystemRoot").error, kFileNotFound);
}

TEST_F(Posix, PrefixFollowsXdgDataHomeWhenNotSetExplicitly) {
  unsetenv("SETUP_PREFIX");
  setenv("XDG_DATA_HOME", prefix_.c_str(), 1);
  EXPECT_TRUE(TempPath().ok());
  EXPECT_TRUE(fs::is_directory(prefix_ / "vorlex-setup/drive_c/Program Files"));
  unsetenv("XDG_DATA_HOME");
}

TEST_F(Posix, ARelativePrefixStaysWhereItWasFirstSeen) {
  fs::current_path(root_.path());
  setenv("SETUP_PREFIX", "relative-prefix", 1);
  ASSERT_EQ(SetCurrentDirectory("C:\\windows"), kOk);  // moves the host's current directory
  EXPECT_TRUE(FileAttributes("C:\\Program Files").ok());
  EXPECT_EQ(fs::current_path(), fs::canonical(root_.path() / "relative-prefix/drive_c/windows"));
  EXPECT_FALSE(fs::exists(root_ / "relative-prefix/drive_c/windows/relative-prefix"));
}

TEST_F(Posix, DrivesMapToTheirHostFolders) {
  ASSERT_EQ(SetCurrentDirectory("C:\\Program Files"), kOk);
  EXPECT_EQ(fs::current_path(), fs::canonical(prefix_ / "drive_c/Program Files"));
  EXPECT_EQ(CurrentDirectory().value_or({}), "C:\\Program Files");
  ASSERT_EQ(SetCurrentDirectory("C:\\"), kOk);
  EXPECT_EQ(CurrentDirectory().value_or({}), "C:\\");
  ASSERT_EQ(SetCurrentDirectory("Z:\\tmp"), kOk);
  EXPECT_EQ(fs::current_path(), fs::canonical("/tmp"));
  EXPECT_EQ(CurrentDirectory().value_or({}), "Z:\\tmp");
  EXPECT_EQ(FileAttributes("Q:\\anything").error, kPathNotFound);
  std::string mod = ModuleFileName().value_or({});
  for (char& c : mod) c = c == '\\' ? '/' : c;
  EXPECT_EQ(fs::path(mod.substr(2)), fs::canonical("/proc/self/exe"));
}

TEST_F(Posix, HostPathsOutsideDriveCAreSeenThroughZ) {
  fs::current_path(prefix_);
  auto cwd = CurrentDirectory().value_or({});
  std::string host = fs::canonical(prefix_);
  for (char& c : host) c = c == '/' ? '\\' : c;
  EXPECT_EQ(cwd, "Z:" + host);
  ASSERT_EQ(CreateDirectory("made here"), kOk);
  EXPECT_TRUE(fs::is_directory(prefix_ / "made here"));
}

TEST_F(Posix, ComponentsMatchWhatExistsWithoutRegardToCase) {
  fs::create_directories(HostTemp() / "Sources");
  WriteAll(HostTemp() / "Sources/Vorlex.lnk", "link");
  const std::string t = Temp();
  EXPECT_TRUE(FileAttributes(t + "SOURCES\\vorlex.LNK").ok());
  EXPECT_EQ(CopyFile(t + "sources\\VORLEX.lnk", t + "SOURCES\\Copy.LNK", false), kOk);
  EXPECT_EQ(ReadText(HostTemp() / "Sources/Copy.LNK"), "link");  // new names as given
  EXPECT_EQ(CreateDirectory(t + "sources\\NewFolder"), kOk);
  EXPECT_TRUE(fs::is_directory(HostTemp() / "Sources/NewFolder"));
  EXPECT_EQ(MoveFile(t + "sources\\newfolder", t + "sources\\NEWFOLDER"), kOk);  // case only
  EXPECT_TRUE(fs::is_directory(HostTemp() / "Sources/NEWFOLDER"));
  EXPECT_FALSE(fs::exists(HostTemp() / "Sources/NewFolder"));
}

// What the body learnt about a folder (its name on the host, the names in it) stays true to
// the folder: changes made by the body itself, and changes made behind its back by another
// program, are both seen by the next look-up.
TEST_F(Posix, LookupsFollowChangesOfTheBodyAndOfOthers) {
  const std::string box = Temp() + "Box";
  const fs::path host = HostTemp() / "Box";
  struct Case {
    const char* what;
    std::function<void()> change;
    std::string probe;  // a path below Temp()
    std::uint32_t expected;
    std::uint32_t attributes = 0;  // when set, the attributes the probe finds
  };
  // Learns folder Box\Inner with its entry and names, as a run that wrote into it has.
  const auto learnInner = [&] {
    ASSERT_EQ(CreateDirectory(box + "\\Inner"), kOk);
    PutFile(box + "\\inner\\f.txt", "f");
    EXPECT_EQ(FileAttributes(box + "\\inner\\g.txt").error, kFileNotFound);
    EXPECT_EQ(FileAttributes(box + "\\INNER").value_or({}), kAttrDirectory);
  };
  const std::vector<Case> cases = {
      {"own: a new name in another case", [&] { PutFile(box + "\\Made.txt", "m"); },
       "box\\MADE.TXT", kOk},
      {"own: a file deleted", [&] { DeleteFile(box + "\\old.txt"); }, "BOX\\Old.txt",
       kFileNotFound},
      {"own: the folder renamed", [&] { MoveFile(box, Temp() + "Crate"); }, "box\\old.txt",
       kPathNotFound},
      {"own: the folder renamed, its new name", [&] { MoveFile(box, Temp() + "Crate"); },
       "CRATE\\OLD.txt", kOk},
      {"other: the folder renamed to another case",
       [&] { fs::rename(host, host.parent_path() / "BOX"); }, "box\\old.txt", kOk},
      {"other: the folder removed", [&] { fs::remove_all(host); }, "box\\old.txt", kPathNotFound},
      {"other: the folder replaced by a file",
       [&] {
         fs::remove_all(host);
         WriteAll(host, "f");
       },
       "box\\old.txt", kPathNotFound},
      {"other: a name added in another case", [&] { WriteAll(host / "NEW.TXT", "n"); },
       "box\\new.txt", kOk},
      {"other: a name removed", [&] { fs::remove(host / "old.txt"); }, "box\\OLD.TXT",
       kFileNotFound},
      {"other: a name added in another case, then written by the body",
       [&] {
         WriteAll(host / "NEW.TXT", "n");
         PutFile(box + "\\new.txt", "b");
         EXPECT_EQ(ReadText(host / "NEW.TXT"), "b");
         EXPECT_FALSE(fs::exists(host / "new.txt"));
       },
       "box\\new.txt", kOk},
      {"other: a name added while a child of a fork looks names up",
       [&] {
         WriteAll(host / "NEW.TXT", "n");
         const pid_t child = fork();
         if (child == 0) _exit(FileAttributes(box + "\\new.txt").ok() ? 0 : 1);
         int status = -1;
         ASSERT_EQ(waitpid(child, &status, 0), child);
         EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
       },
       "box\\NEW.txt", kOk},
      {"other: the folder replaced by a file, itself asked",
       [&] {
         fs::remove_all(host);
         WriteAll(host, "f");
       },
       "box", kOk, kAttrArchive},
      {"other: the folder made read-only", [&] { chmod(host.c_str(), 0555); }, "BOX", kOk,
       kAttrDirectory | kAttrReadOnly},
      {"other: the folder moved away and another made in its place",
       [&] {
         fs::rename(host, HostTemp() / "Crate");
         fs::create_directory(host);
       },
       "box\\old.txt", kFileNotFound},
      {"other: the folder moved away, its new name",
       [&] { fs::rename(host, HostTemp() / "Crate"); }, "crate\\OLD.TXT", kOk},
      {"other: the parent of a known folder renamed",
       [&] {
         learnInner();
         fs::rename(host, HostTemp() / "Crate");
       },
       "box\\inner\\g.txt", kPathNotFound},
      {"other: the parent of a known folder renamed, its new name",
       [&] {
         learnInner();
         fs::rename(host, HostTemp() / "Crate");
       },
       "CRATE\\inner\\F.txt", kOk},
      {"other: a known folder removed",
       [&] {
         learnInner();
         fs::remove_all(host / "Inner");
       },
       "box\\inner", kFileNotFound},
      {"other: a known folder removed, then made again by the body",
       [&] {
         learnInner();
         fs::remove_all(host / "Inner");
         EXPECT_EQ(CreateDirectory(box + "\\inner"), kOk);
         EXPECT_TRUE(fs::is_directory(host / "inner"));
       },
       "box\\INNER\\f.txt", kFileNotFound},
      {"other: a known folder replaced by a file, then made by the body",
       [&] {
         learnInner();
         fs::remove_all(host / "Inner");
         WriteAll(host / "Inner", "x");
         EXPECT_EQ(CreateDirectory(box + "\\inner"), kAlreadyExists);
       },
       "box\\inner\\f.txt", kPathNotFound},
      {"other: a known folder replaced by a link to another",
       [&] {
         learnInner();
         fs::remove_all(host / "Inner");
         fs::create_directory(HostTemp() / "Crate");
         fs::create_directory_symlink(HostTemp() / "Crate", host / "Inner");
       },
       "box\\inner", kOk, kAttrReparsePoint | kAttrDirectory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* name : {"Box", "BOX", "Crate"}) {
      chmod((HostTemp() / name).c_str(), 0755);
      fs::remove_all(HostTemp() / name);
    }
    ASSERT_EQ(CreateDirectory(box), kOk);
    PutFile(box + "\\old.txt", "o");
    // The folder's stamp is set back, so that any change below moves it whatever the grain of
    // the file system's clock; then the body learns the folder and lists its names.
    const timespec old[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, host.c_str(), old, 0), 0);
    EXPECT_EQ(FileAttributes(box + "\\new.txt").error, kFileNotFound);
    EXPECT_TRUE(FileAttributes(box + "\\OLD.TXT").ok());
    EXPECT_EQ(FileAttributes(box).value_or({}), kAttrDirectory);
    c.change();
    const auto probed = FileAttributes(Temp() + c.probe);
    EXPECT_EQ(probed.error, c.expected);
    if (c.attributes != 0) {
      EXPECT_EQ(probed.value_or({}), c.attributes);
    }
  }
}

TEST_F(Posix, CzechNamesAreUtf8OnTheHost) {
  const std::string manual = Temp() + "Manu\xE1l";  // "Manuál" in code page 1250
  ASSERT_EQ(CreateDirectory(manual), kOk);
  EXPECT_TRUE(fs::is_directory(HostTemp() / "Manuál"));
  WriteAll(HostTemp() / "Manuál/Příručka.txt", "p");
  DirSearch s(manual + "\\P*");
  ASSERT_TRUE(s.valid());
  EXPECT_EQ(s.entry().name, "P\xF8\xEDru\xE8ka.txt");
  EXPECT_TRUE(FileAttributes(Temp() + "MANU\xC1L\\P\xD8\xCDRU\xC8KA.TXT").ok());  // upper case
}

TEST_F(Posix, HiddenIsALeadingDotAndReadOnlyTheOwnerWriteBit) {
  WriteAll(HostTemp() / ".hidden", "h");
  WriteAll(HostTemp() / "locked", "l");
  chmod((HostTemp() / "locked").c_str(), 0444);
  EXPECT_NE(FileAttributes(Temp() + ".hidden").value_or({}) & kAttrHidden, 0u);
  EXPECT_EQ(FileAttributes(Temp() + "locked").value_or({}) & kAttrHidden, 0u);
  EXPECT_NE(FileAttributes(Temp() + "locked").value_or({}) & kAttrReadOnly, 0u);
  EXPECT_EQ(DeleteFile(Temp() + "locked"), kAccessDenied);  // also for root
  EXPECT_TRUE(fs::exists(HostTemp() / "locked"));
  ASSERT_EQ(SetFileAttributes(Temp() + "locked", kAttrNormal), kOk);
  EXPECT_NE(fs::status(HostTemp() / "locked").permissions() & fs::perms::owner_write,
            fs::perms::none);
}

// --- Symbolic links: seen as Windows shows a junction, never followed by a removal ---------

class Links : public Posix {
 protected:
  void SetUp() override {
    Posix::SetUp();
    outside_ = root_ / "outside";
    fs::create_directories(outside_ / "folder");
    WriteAll(outside_ / "precious", "keep");
    WriteAll(outside_ / "folder/inner", "keep");
    fs::create_directories(HostTemp() / "tree");
    fs::create_directory_symlink(outside_ / "folder", HostTemp() / "tree/to folder");
    fs::create_symlink(outside_ / "precious", HostTemp() / "tree/to file");
    fs::create_symlink(root_ / "nowhere", HostTemp() / "tree/dangling");
  }
  std::string Tree() { return Temp() + "tree\\"; }
  bool OutsideIntact() {
    return ReadText(outside_ / "precious") == "keep" &&
           ReadText(outside_ / "folder/inner") == "keep";
  }

  fs::path outside_;
};

TEST_F(Links, ALinkIsAReparsePointWithTheDirectoryBitWhenItLeadsToAFolder) {
  EXPECT_EQ(FileAttributes(Tree() + "to folder").value_or({}), kAttrReparsePoint | kAttrDirectory);
  EXPECT_EQ(FileAttributes(Tree() + "to file").value_or({}), kAttrReparsePoint | kAttrArchive);
  EXPECT_EQ(FileAttributes(Tree() + "dangling").value_or({}), kAttrReparsePoint | kAttrArchive);
  chmod((outside_ / "precious").c_str(), 0444);  // the target's bits are not the link's
  EXPECT_EQ(FileAttributes(Tree() + "to file").value_or({}) & kAttrReadOnly, 0u);
  std::map<std::string, std::uint32_t> seen;
  for (DirSearch s(Tree() + "*"); s.valid();) {
    seen[s.entry().name] = s.entry().attributes;
    EXPECT_EQ(s.entry().size, 0u) << s.entry().name;
    if (!s.next()) break;
  }
  EXPECT_EQ(seen["to folder"], kAttrReparsePoint | kAttrDirectory);
  EXPECT_EQ(seen["to file"], kAttrReparsePoint | kAttrArchive);
  EXPECT_EQ(seen["dangling"], kAttrReparsePoint | kAttrArchive);
  EXPECT_EQ(SetFileAttributes(Tree() + "to file", kAttrReadOnly), kAccessDenied);
  EXPECT_EQ(SetFileAttributes(Tree() + "to file", kAttrNormal), kOk);
  EXPECT_EQ(fs::status(outside_ / "precious").permissions() & fs::perms::owner_write,
            fs::perms::none);  // untouched through the link
}

TEST_F(Links, RemovingALinkLeavesWhatItLeadsTo) {
  EXPECT_EQ(RemoveDirectory(Tree() + "to file"), 267u);  // ERROR_DIRECTORY
  EXPECT_EQ(RemoveDirectory(Tree() + "to folder"), kOk);
  EXPECT_EQ(DeleteFile(Tree() + "to file"), kOk);
  EXPECT_EQ(DeleteFile(Tree() + "dangling"), kOk);
  EXPECT_TRUE(fs::is_empty(HostTemp() / "tree"));
  EXPECT_TRUE(OutsideIntact());
  fs::create_directory_symlink(outside_ / "folder", HostTemp() / "tree/again");
  // A link to a folder is refused by DeleteFile, as Windows refuses a junction there.
  EXPECT_EQ(DeleteFile(Tree() + "again"), kAccessDenied);
  EXPECT_TRUE(fs::exists(fs::symlink_status(HostTemp() / "tree/again")));
  EXPECT_EQ(RemoveDirectory(Tree() + "again"), kOk);
  EXPECT_FALSE(fs::exists(fs::symlink_status(HostTemp() / "tree/again")));
  EXPECT_EQ(RemoveDirectory(Temp() + "tree"), kOk);
  EXPECT_TRUE(OutsideIntact());
}

TEST_F(Links, AFolderReachedThroughALinkIsStillUsable) {
  ASSERT_EQ(SetCurrentDirectory(Tree() + "to folder"), kOk);
  EXPECT_EQ(ReadText("inner"), "keep");
  EXPECT_EQ(FileAttributes(Tree() + "to folder\\inner").value_or({}), kAttrArchive);
  EXPECT_EQ(FileBytes(Tree() + "to file"), "keep");
}

// --- The program of a running process --------------------------------------------------------

// A copy of this program runs as the child of a copy of the shell and checks both images
// (RunningImageProbe); copies, so that a fault removes no program of the build.
TEST_F(Posix, TheProgramOfARunningProcessOrOfItsParentCannotBeDeletedOrReplaced) {
  const fs::path probe = HostTemp() / "probe", shell = HostTemp() / "shell";
  fs::copy_file("/proc/self/exe", probe);
  fs::copy_file("/bin/sh", shell);
  fs::permissions(probe, fs::perms::owner_all);
  fs::permissions(shell, fs::perms::owner_all);
  WriteAll(HostTemp() / "other", "o");
  setenv("SETUP_RUNNING_IMAGE_PROBE", "1", 1);
  const std::string command = "'" + shell.string() + "' -c \"'" + probe.string() +
                              "' --gtest_filter=RunningImageProbe.* >'" +
                              (root_ / "probe.log").string() + "'; exit \\$?\"";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(root_ / "probe.log");
  EXPECT_NE(ReadText(root_ / "probe.log").find("[       OK ] RunningImageProbe."),
            std::string::npos);
  unsetenv("SETUP_RUNNING_IMAGE_PROBE");
  // Once they have ended, they go.
  EXPECT_EQ(MoveFile(Temp() + "other", Temp() + "probe"), kOk);
  EXPECT_EQ(DeleteFile(Temp() + "probe"), kOk);
  EXPECT_EQ(DeleteFile(Temp() + "shell"), kOk);
}

TEST(RunningImageProbe, ImagesOfThisProcessAndItsParentStay) {
  if (!std::getenv("SETUP_RUNNING_IMAGE_PROBE")) GTEST_SKIP() << "run by a test of Posix";
  const std::string temp = TempPath().value_or({});
  constexpr std::uint32_t kSharingViolation = 32;
  EXPECT_EQ(ModuleFileName().value_or({}), temp + "probe");
  EXPECT_EQ(DeleteFile(temp + "probe"), kSharingViolation);
  EXPECT_EQ(MoveFile(temp + "other", temp + "probe"), kSharingViolation);
  EXPECT_EQ(CopyFile(temp + "other", temp + "probe", false), kSharingViolation);
  EXPECT_EQ(DeleteFile(temp + "shell"), kSharingViolation);
  EXPECT_TRUE(FileAttributes(temp + "other").ok());
  EXPECT_TRUE(FileAttributes(temp + "probe").ok());
}

TEST_F(Posix, DosTimeIsLocalTime) {
  WriteAll(HostTemp() / "t.txt", "t");
  auto f = File::Open(Temp() + "t.txt", OpenMode::kWriteAttrib);
  ASSERT_TRUE(f.ok());
  const std::uint16_t date = ((2001 - 1980) << 9) | (7 << 5) | 15;
  const std::uint16_t time = (9 << 11) | (30 << 5) | 4;
  ASSERT_EQ(SetFileTimeFromDos(f.value().get(), date, time), kOk);
  std::tm tm{};
  tm.tm_year = 101;
  tm.tm_mon = 6;
  tm.tm_mday = 15;
  tm.tm_hour = 9;
  tm.tm_min = 30;
  tm.tm_sec = 8;
  tm.tm_isdst = -1;
  struct stat st;
  ASSERT_EQ(stat((HostTemp() / "t.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, mktime(&tm));
}

TEST_F(Posix, PathsLongerThanMaxPathAreRefused) {
  std::string path = Temp();
  path += std::string(260 - path.size(), 'x');
  EXPECT_NE(CreateDirectory(path), kOk);
  EXPECT_EQ(CreateDirectory(path.substr(0, 259)), kOk);
  ASSERT_EQ(SetCurrentDirectory(Temp()), kOk);
  EXPECT_NE(CreateDirectory(path.substr(Temp().size())), kOk);  // too long once made full
}

// The host would take a colon in a name; here it is refused as Windows refuses it outside
// an NTFS stream name, so no name is created that Windows could not show.
TEST_F(Posix, AColonInANameIsInvalid) {
  EXPECT_EQ(CreateDirectory(Temp() + "a:b"), kInvalidName);
  EXPECT_EQ(OpenFile(Temp() + "a:b", OpenMode::kCreate).error, kInvalidName);
  EXPECT_FALSE(fs::exists(HostTemp() / "a:b"));
}

// Trailing blanks and dots are dropped from a name, but a name of nothing else is invalid:
// it must not turn into the folder above it.
TEST_F(Posix, ANameOfOnlyBlanksOrDotsIsInvalid) {
  fs::create_directories(HostTemp() / "keep");
  WriteAll(HostTemp() / "keep/file", "f");
  for (const char* name : {" ", "  ", "...", ". .", " .", ". "}) {
    const std::string inside = Temp() + "keep\\" + name;
    EXPECT_EQ(FileAttributes(inside).error, kInvalidName) << '"' << name << '"';
    EXPECT_EQ(RemoveDirectory(inside), kInvalidName) << '"' << name << '"';
    EXPECT_EQ(DeleteFile(inside + "\\file"), kInvalidName) << '"' << name << '"';
    EXPECT_EQ(CreateDirectory(inside + "\\sub"), kInvalidName) << '"' << name << '"';
  }
  EXPECT_TRUE(fs::exists(HostTemp() / "keep/file"));
  EXPECT_FALSE(fs::exists(HostTemp() / "keep/sub"));
  EXPECT_EQ(FileAttributes(Temp() + "keep. \\file. ").error, kOk);  // trailing ones dropped
  EXPECT_EQ(FileAttributes(Temp() + "keep\\.\\..\\keep\\file").error, kOk);
}

TEST_F(Posix, ProfileWriteIntoAReadOnlyFolderFails) {
  fs::create_directories(HostTemp() / "ro");
  chmod((HostTemp() / "ro").c_str(), 0555);
  EXPECT_EQ(ProfileWriteString("ALL", "a", "1", Temp() + "ro\\setup.ini"), kAccessDenied);
  EXPECT_FALSE(fs::exists(HostTemp() / "ro/setup.ini"));
}

TEST_F(Posix, ABareProfileNameLivesInTheWindowsFolder) {
  ASSERT_EQ(ProfileWriteString("S", "k", "v", "bare.ini"), kOk);
  EXPECT_EQ(ReadText(prefix_ / "drive_c/windows/bare.ini"), "[S]\r\nk=v\r\n");
}

// --- Registry files ------------------------------------------------------------------------

TEST_F(Posix, RegistryValuesAreEscapedInTheHiveFile) {
  auto key = RegKey::Create(Hive::kCurrentUser, "\\Software\\Korb\\Vorlex");
  ASSERT_TRUE(key.ok());
  ASSERT_EQ(RegSetString(key.value().get(), "AppDir", "C:\\a \"b\""), kOk);
  ASSERT_EQ(RegSetString(key.value().get(), "", "default"), kOk);
  ASSERT_EQ(RegSetString(key.value().get(), "Two Lines", "x\r\ny"), kOk);
  ASSERT_EQ(RegSetDword(key.value().get(), "EstimatedSize", 0xA1B2C3D4u), kOk);
  ASSERT_EQ(RegSetDword(key.value().get(), "NoModify", 1), kOk);
  EXPECT_EQ(RegSetString(key.value().get(), "Two\nLines", "x"), kInvalidParameter);
  EXPECT_EQ(RegSetDword(key.value().get(), "Two\nLines", 1), kInvalidParameter);
  EXPECT_EQ(RegCreateKey(Hive::kCurrentUser, "Software\\Line\nBreak").error, kInvalidParameter);
  const std::string text = ReadText(prefix_ / "user.reg");
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Korb\\Vorlex]\r\n"
                      "\"AppDir\"=\"C:\\\\a \\\"b\\\"\"\r\n@=\"default\"\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("=hex(1):78,0d,0a,79,00\r\n"
                      "\"EstimatedSize\"=dword:a1b2c3d4\r\n\"NoModify\"=dword:00000001\r\n"),
            std::string::npos)
      << text;
  // The DWORD lines are read back, and kept when another value rewrites the file.
  ASSERT_EQ(RegSetString(key.value().get(), "Later", "l"), kOk);
  EXPECT_EQ(RegQueryValue(key.value().get(), "estimatedsize").value_or({}).data,
            "\xD4\xC3\xB2\xA1");
  EXPECT_NE(ReadText(prefix_ / "user.reg").find("\"NoModify\"=dword:00000001\r\n"),
            std::string::npos);
  EXPECT_EQ(RegQueryValue(key.value().get(), "two lines").value_or({}).data,
            std::string("x\r\ny\0", 5));
}

TEST_F(Posix, ADamagedHiveReadsWhatParsesAndKeepsTheRestOnRewrite) {
  ASSERT_TRUE(TempPath().ok());  // seed
  const std::string damaged =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Good]\r\n\"A\"=\"1\"\r\n"
      "\"Broken\"=\"no end\r\n\"B\"=dword:0000002a\r\n\"C\"=hex:01,zz\r\n"
      "[HKEY_CURRENT_USER\\Software\\Cut\r\n\"Orphan\"=\"o\"\r\n"
      "\x01\x02garbage\xff\r\n[HKEY_CURRENT_USER\\Software\\Last]\r\n\"L\"=\"l\"\r\n\"Trunc";
  WriteAll(prefix_ / "user.reg", damaged);
  auto good = RegKey::Open(Hive::kCurrentUser, "Software\\Good");
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(RegQueryValue(good.value().get(), "A").value_or({}).data, std::string("1\0", 2));
  EXPECT_EQ(RegQueryValue(good.value().get(), "B").value_or({}).type, kRegDword);
  EXPECT_EQ(RegQueryValue(good.value().get(), "Broken").error, kFileNotFound);
  EXPECT_EQ(RegQueryValue(good.value().get(), "C").error, kFileNotFound);
  EXPECT_EQ(RegQueryValue(good.value().get(), "Orphan").error, kFileNotFound);
  EXPECT_EQ(RegOpenKey(Hive::kCurrentUser, "Software\\Cut").error, kFileNotFound);
  ASSERT_EQ(RegSetString(good.value().get(), "New", "n"), kOk);
  const std::string rewritten = ReadText(prefix_ / "user.reg");
  for (const char* kept :
       {"\"Broken\"=\"no end\r\n", "\"C\"=hex:01,zz\r\n",
        "[HKEY_CURRENT_USER\\Software\\Cut\r\n\"Orphan\"=\"o\"\r\n", "\x01\x02garbage\xff\r\n",
        "\"Trunc\r\n", "\"L\"=\"l\"\r\n", "\"New\"=\"n\"\r\n"}) {
    EXPECT_NE(rewritten.find(kept), std::string::npos) << kept;
  }
  // The kept lines stay where they do no harm: a second rewrite changes nothing else.
  ASSERT_EQ(RegSetString(good.value().get(), "New", "m"), kOk);
  std::string expected = rewritten;
  expected.replace(expected.find("\"New\"=\"n\""), 9, "\"New\"=\"m\"");
  EXPECT_EQ(ReadText(prefix_ / "user.reg"), expected);
}

TEST_F(Posix, AStaleTemporaryHiveIsIgnoredAndCleared) {
  auto key = RegKey::Create(Hive::kCurrentUser, "Software\\Korb");
  ASSERT_TRUE(key.ok());
  ASSERT_EQ(RegSetString(key.value().get(), "V", "old"), kOk);
  const std::string before = ReadText(prefix_ / "user.reg");
  // What a writer killed between write and rename leaves behind.
  WriteAll(prefix_ / ".user.reg.AbC123",
           "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Korb]\r\n\"V\"=\"ha");
  EXPECT_EQ(ReadText(prefix_ / "user.reg"), before);
  EXPECT_EQ(RegQueryValue(key.value().get(), "V").value_or({}).data, std::string("old\0", 4));
  ASSERT_EQ(RegSetString(key.value().get(), "V", "new"), kOk);
  EXPECT_FALSE(fs::exists(prefix_ / ".user.reg.AbC123"));
  EXPECT_EQ(RegQueryValue(key.value().get(), "V").value_or({}).data, std::string("new\0", 4));
}

TEST_F(Posix, AWriterKilledMidwayLeavesAWholeRegistry) {
  ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, "Software\\Crash").ok());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const RegKey key = RegKey::Open(Hive::kCurrentUser, "Software\\Crash").value_or({});
    for (int i = 0;; ++i) {
      RegSetString(key.get(), "V" + std::to_string(i % 50), std::string(2000, 'a' + i % 26));
    }
  }
  ASSERT_TRUE(Eventually(
      [&] { return ReadText(prefix_ / "user.reg").find("\"V20\"") != std::string::npos; }));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  // Every value present is whole: the file always was either the old or the new one.
  auto key = RegKey::Open(Hive::kCurrentUser, "Software\\Crash");
  ASSERT_TRUE(key.ok());
  int present = 0;
  for (int i = 0; i < 50; ++i) {
    auto v = RegQueryValue(key.value().get(), "V" + std::to_string(i));
    if (!v.ok()) continue;
    ++present;
    EXPECT_EQ(v.value().data.size(), 2001u);
  }
  EXPECT_GE(present, 20);
  const std::string text = ReadText(prefix_ / "user.reg");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  ASSERT_EQ(RegSetString(key.value().get(), "After", "ok"), kOk);  // and it still writes
}

// --- Batch interpreter ---------------------------------------------------------------------

class Batch : public Posix {
 protected:
  void SetUp() override {
    Posix::SetUp();
    bat_ = Temp() + "setup123.bat";
  }
  // Writes the batch in the temp folder and starts it; true when it was started.
  bool Start(const std::string& lines) {
    WriteAll(HostTemp() / "setup123.bat", lines);
    return StartFromChild(bat_) == 33;
  }
  bool BatchGone() { return !fs::exists(HostTemp() / "setup123.bat"); }

  std::string bat_;
};

TEST_F(Batch, TheEraseLoopWaitsUntilTheFileCanGo) {
  WriteAll(HostTemp() / "setup.exe", "x");
  chmod((HostTemp() / "setup.exe").c_str(), 0444);  // "in use": the erase fails for now
  fs::create_directories(HostTemp() / "Home Dir");
  const std::string exe = Temp() + "setup.exe", home = Temp() + "Home Dir";
  ASSERT_TRUE(Start(":1\r\nErase \"" + exe + "\"\r\nIf exist \"" + exe + "\" Goto 1\r\n:2\r\n" +
                    "Erase \"" + Temp() + "setup.ini\"\r\nIf exist \"" + Temp() +
                    "setup.ini\" Goto 2\r\nrd \"" + home + "\"\r\nErase \"" + bat_ + "\"\r\n"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(fs::exists(HostTemp() / "setup.exe"));
  EXPECT_FALSE(BatchGone());
  chmod((HostTemp() / "setup.exe").c_str(), 0644);  // the program has ended
  EXPECT_TRUE(Eventually([&] { return BatchGone(); }));
  EXPECT_FALSE(fs::exists(HostTemp() / "setup.exe"));
  EXPECT_FALSE(fs::exists(HostTemp() / "Home Dir"));  // quoted folder with a blank
}

TEST_F(Batch, CommandsAreCaseInsensitiveAndPathsMayBeBare) {
  fs::create_directories(HostTemp() / "Bare");
  fs::create_directories(HostTemp() / "Full");
  WriteAll(HostTemp() / "Full/f", "f");
  WriteAll(HostTemp() / "one", "1");
  ASSERT_TRUE(Start("@echo off\r\n\r\nrem nothing\r\nDEL " + Temp() + "ONE\r\nRD " + Temp() +
                    "bare\r\nrd \"" + Temp() + "Full\"\r\nif not exist " + Temp() +
                    "one goto :End\r\nErase " + Temp() + "full\\f\r\n:end\r\nerase " + bat_ +
                    "\r\n"));
  EXPECT_TRUE(Eventually([&] { return BatchGone(); }));
  EXPECT_FALSE(fs::exists(HostTemp() / "one"));
  EXPECT_FALSE(fs::exists(HostTemp() / "Bare"));
  EXPECT_TRUE(fs::exists(HostTemp() / "Full/f"));  // not empty: rd leaves it; goto skipped erase
}

TEST_F(Batch, ALoopThatNeverEndsGivesUpAfterItsBound) {
  WriteAll(HostTemp() / "stuck.exe", "x");
  chmod((HostTemp() / "stuck.exe").c_str(), 0444);
  const std::string exe = Temp() + "stuck.exe";
  ASSERT_TRUE(Start(":Repeat\r\nErase \"" + exe + "\"\r\nIf exist \"" + exe +
                    "\" Goto Repeat\r\nErase \"" + bat_ + "\"\r\n"));
  EXPECT_TRUE(Eventually([&] { return BatchGone(); }, std::chrono::seconds(60)));
  EXPECT_TRUE(fs::exists(HostTemp() / "stuck.exe"));
}

TEST_F(Batch, TheBatchWaitsForTheProgramThatStartedItToEnd) {
  WriteAll(HostTemp() / "victim", "v");
  WriteAll(HostTemp() / "setup123.bat",
           "Erase \"" + Temp() + "victim\"\r\nErase \"" + bat_ + "\"\r\n");
  int started[2], release[2];
  ASSERT_EQ(pipe(started), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    close(started[0]);
    close(release[1]);
    const char code = static_cast<char>(StartHidden(bat_));
    char byte;
    if (write(started[1], &code, 1) == 1) (void)!read(release[0], &byte, 1);  // until released
    _exit(0);
  }
  close(started[1]);
  close(release[0]);
  char code = 0;
  ASSERT_EQ(read(started[0], &code, 1), 1);
  close(started[0]);
  EXPECT_EQ(code, 33);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(fs::exists(HostTemp() / "victim"));  // its starter still runs
  EXPECT_FALSE(BatchGone());
  close(release[1]);
  waitpid(starter, nullptr, 0);
  EXPECT_TRUE(Eventually([&] { return BatchGone(); }));
  EXPECT_FALSE(fs::exists(HostTemp() / "victim"));
}

TEST_F(Batch, StartFailsForAMissingOrForeignFile) {
  EXPECT_EQ(StartHidden(Temp() + "absent.bat"), 2u);
  EXPECT_EQ(StartHidden(Temp() + "nodir\\absent.bat"), 3u);
  WriteAll(HostTemp() / "prog.txt", "x");
  EXPECT_LE(StartHidden(Temp() + "prog.txt"), 31u);
}

TEST_F(Batch, AnUnquotedCommandLineWithBlanksFindsTheBatch) {
  fs::create_directories(HostTemp() / "with blank");
  WriteAll(HostTemp() / "with blank/victim", "v");
  const std::string bat = Temp() + "with blank\\run.bat";
  WriteAll(HostTemp() / "with blank/run.bat",
           "Erase \"" + Temp() + "with blank\\victim\"\r\nErase \"" + bat + "\"\r\n");
  EXPECT_EQ(StartFromChild(bat), 33);
  EXPECT_TRUE(Eventually([&] { return !fs::exists(HostTemp() / "with blank/run.bat"); }));
  EXPECT_FALSE(fs::exists(HostTemp() / "with blank/victim"));
}

TEST_F(Posix, TheMutexLockIsNotHeldByTheBatchProcess) {
  auto m = CreateNamedMutex("SETUPMain987EXE");
  ASSERT_EQ(m.error, kOk);
  const std::string bat = Temp() + "wait.bat";
  WriteAll(HostTemp() / "hold", "h");
  chmod((HostTemp() / "hold").c_str(), 0444);
  WriteAll(HostTemp() / "wait.bat", ":1\r\nErase \"" + Temp() + "hold\"\r\nIf exist \"" + Temp() +
                                        "hold\" Goto 1\r\nErase \"" + bat + "\"\r\n");
  ASSERT_EQ(StartFromChild(bat), 33);
  CloseMutex(m.handle);
  auto again = CreateNamedMutex("SETUPMain987EXE");
  EXPECT_EQ(again.error, kOk);  // the interpreter inherited no lock
  auto second = CreateNamedMutex("SETUPMain987EXE");
  EXPECT_EQ(second.error, kAlreadyExists);
  EXPECT_NE(second.handle, kNoHandle);
  CloseMutex(second.handle);
  CloseMutex(again.handle);
  chmod((HostTemp() / "hold").c_str(), 0644);
  EXPECT_TRUE(Eventually([&] { return !fs::exists(HostTemp() / "wait.bat"); }));
}

}  // namespace
