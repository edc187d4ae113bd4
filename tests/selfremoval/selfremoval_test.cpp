// RemoveSelf: the batch it writes, byte for byte, what it decides to erase, its input/output
// errors, and (POSIX build) the batch run by the platform's interpreter after the program
// has ended.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "install/paths.h"
#include "platform/files.h"
#include "platform/services.h"
#include "test_support.h"
#include "texts/error.h"
#include "uninstall/remove_self.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <filesystem>

#include "platform/posix/prefix.h"
#endif

namespace setup::testing {
namespace {

// What the replaced services saw and answer.
std::string gProgram;
std::vector<std::string> gStarted;

class SelfRemoval : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    lwTemp_ = LwTempFolderPath();
    MakeFolders(lwTemp_);
    batch_ = lwTemp_ + "\\setup123.bat";
    gStarted.clear();
  }
  void TearDown() override {
    Erase(lwTemp_);
    MachineTest::TearDown();
  }

  // Services in which the running program is `program` and starting the batch is recorded.
  plat::Services Recording(const std::string& program) {
    gProgram = program;
    plat::Services table = plat::services();
    table.moduleFileName = [] { return plat::Result<std::string>{gProgram, plat::kOk}; };
    table.startHidden = [](const std::string& command) {
      gStarted.push_back(command);
      return std::uint32_t{33};
    };
    return table;
  }

  std::string lwTemp_;
  std::string batch_;
};

std::string Owned(const std::string& program, const std::string& ini, const std::string& rdLine,
                  const std::string& batch) {
  const std::string pause = "ping -n 2 127.0.0.1 >nul\r\n";
  return
      // The program file: no bound, as it cannot go while the program runs.
      ":1\r\nErase /F \"" + program + "\"\r\nIf not exist \"" + program + "\" Goto 2\r\n" + pause +
      "Goto 1\r\n"
      // The settings file, once the program has ended: at most 60 tries.
      "Set tries=0\r\n:2\r\nErase /F \"" +
      ini + "\"\r\nIf not exist \"" + ini +
      "\" Goto 3\r\nSet /a tries+=1\r\nIf %tries% geq 60 Goto 3\r\n" + pause + "Goto 2\r\n" +
      ":3\r\n" + rdLine + "\r\nErase \"" + batch + "\"\r\n";
}

TEST_F(SelfRemoval, BatchForTheHomeDirectoryErasesTheProgramItsSettingsAndTheFolder) {
  const std::string home = In("Vorlex");
  MakeFolders(home + "\\Manual");
  PutFile(home + "\\setup.exe", "program");
  PutFile(home + "\\Manual\\a.htm", "a");
  plat::ScopedServices scoped(Recording(home + "\\setup.exe"));

  RemoveSelf(home);

  EXPECT_EQ(FileBytes(batch_),
            Owned(home + "\\setup.exe", home + "\\setup.ini", "rd " + home, batch_));
  EXPECT_EQ(gStarted, std::vector<std::string>{batch_});
  EXPECT_FALSE(PathExists(home + "\\Manual")) << "the tree went first";
}

TEST_F(SelfRemoval, ProgramInTheLwTempFolderIsErased) {
  MakeFolders(lwTemp_ + "\\unpacked");
  PutFile(lwTemp_ + "\\unpacked\\SETUP.EXE", "program");
  plat::ScopedServices scoped(Recording(lwTemp_ + "\\unpacked\\SETUP.EXE"));

  RemoveSelf(lwTemp_);

  EXPECT_EQ(FileBytes(batch_), Owned(lwTemp_ + "\\unpacked\\SETUP.EXE",
                                     lwTemp_ + "\\unpacked\\SETUP.ini", "rd " + lwTemp_, batch_));
}

TEST_F(SelfRemoval, ProgramOutsideTheHandedFolderIsLeftAlone) {
  const std::string distribution = In("cd");
  const std::string home = In("home");
  MakeFolders(distribution);
  MakeFolders(home);
  PutFile(distribution + "\\setup.exe", "program");
  plat::ScopedServices scoped(Recording(distribution + "\\setup.exe"));

  RemoveSelf(home);

  EXPECT_EQ(FileBytes(batch_), "rd " + home + "\r\nErase \"" + batch_ + "\"\r\n");
  EXPECT_EQ(gStarted.size(), 1u);
}

TEST_F(SelfRemoval, LwTempFolderIsEmptiedAndKeptForTheBatch) {
  MakeFolders(lwTemp_ + "\\old\\deeper");
  PutFile(lwTemp_ + "\\old\\deeper\\x.tmp", "x");
  PutFile(lwTemp_ + "\\left.tmp", "x");
  plat::ScopedServices scoped(Recording(In("cd\\setup.exe")));

  RemoveSelf(lwTemp_ + "\\");

  EXPECT_EQ(Names(lwTemp_), std::vector<std::string>{"setup123.bat"});
  EXPECT_EQ(FileBytes(batch_), "rd " + lwTemp_ + "\\\r\nErase \"" + batch_ + "\"\r\n");
  EXPECT_EQ(gStarted, std::vector<std::string>{batch_});
}

TEST_F(SelfRemoval, NoLwTempFolderAndNothingOfOursToEraseWritesNoBatch) {
  Erase(lwTemp_);
  plat::ScopedServices scoped(Recording(In("cd\\setup.exe")));
  EXPECT_FALSE(RemoveSelf(lwTemp_));
  EXPECT_FALSE(PathExists(lwTemp_)) << "nothing to clean: the folder is not made";
  EXPECT_TRUE(gStarted.empty());
}

TEST_F(SelfRemoval, FolderIsComparedWithoutCaseAndBackslashRunsButNotAsANamePrefix) {
  const std::string home = In(Cp("Příručka"));
  const std::string sibling = In(Cp("Příručka2"));
  MakeFolders(home);
  MakeFolders(sibling);
  PutFile(home + "\\setup.exe", "p");
  PutFile(sibling + "\\setup.exe", "p");
  {
    plat::ScopedServices scoped(Recording(home + "\\setup.exe"));
    RemoveSelf(In(Cp("PŘÍRUČKA\\\\")));
    EXPECT_NE(FileBytes(batch_).find("Erase /F \"" + home + "\\setup.exe\""), std::string::npos);
  }
  {
    plat::ScopedServices scoped(Recording(sibling + "\\setup.exe"));
    RemoveSelf(home);
    EXPECT_EQ(FileBytes(batch_).find("setup.exe"), std::string::npos);
  }
}

TEST_F(SelfRemoval, FolderLineIsQuotedOnlyWhenTheInterpreterWouldSplitIt) {
  const struct {
    std::string folder;
    std::string line;
  } cases[] = {
      {"C:\\PROGRA~1\\Vorlex", "rd C:\\PROGRA~1\\Vorlex"},
      {"C:\\Program Files\\Vorlex", "rd \"C:\\Program Files\\Vorlex\""},
      {"C:\\R&D", "rd \"C:\\R&D\""},
      {"", "rd "},
  };
  for (const auto& c : cases) {
    SelfRemovalBatch batch{"C:\\elsewhere\\setup.exe", c.folder, "C:\\T\\setup123.bat", false};
    EXPECT_EQ(SelfRemovalBatchText(batch), c.line + "\r\nErase \"C:\\T\\setup123.bat\"\r\n");
  }
}

TEST_F(SelfRemoval, SettingsFileReplacesTheLastExtensionOfTheName) {
  for (const auto& [program, settings] :
       {std::pair{"C:\\Vorlex\\setup.exe", "C:\\Vorlex\\setup.ini"},
        {"C:\\a.b\\setup", "C:\\a.b\\setup.ini"},
        {"C:\\a\\x.y.exe", "C:\\a\\x.y.ini"},
        {"C:setup", "C:setup.ini"},
        {"C:\\a\\.exe", "C:\\a\\.ini"}}) {
    EXPECT_EQ(SettingsFileOf(program), settings);
  }
}

TEST_F(SelfRemoval, OldBatchIsReplaced) {
  PutFile(batch_, std::string(5000, 'x'));
  plat::ScopedServices scoped(Recording("C:\\elsewhere\\setup.exe"));
  RemoveSelf(In("home"));
  EXPECT_EQ(FileBytes(batch_), "rd " + In("home") + "\r\nErase \"" + batch_ + "\"\r\n");
}

TEST_F(SelfRemoval, MissingLwTempFolderIsMadeForTheBatchAfterTheTreeWent) {
  const std::string home = In("home");
  MakeFolders(home + "\\deep");
  Erase(lwTemp_);
  plat::ScopedServices scoped(Recording("C:\\elsewhere\\setup.exe"));
  EXPECT_TRUE(RemoveSelf(home));
  EXPECT_FALSE(PathExists(home));
  EXPECT_EQ(FileBytes(batch_), "rd " + home + "\r\nErase \"" + batch_ + "\"\r\n");
  EXPECT_EQ(gStarted, std::vector<std::string>{batch_});
}

std::uint32_t gWriteError;
std::size_t gWriteCount;
std::uint32_t gCloseError;

TEST_F(SelfRemoval, WriteAndCloseFailuresGiveTheirTextsAndNoStart) {
  const struct {
    std::uint32_t writeError;
    std::size_t writeCount;
    std::uint32_t closeError;
    const char* text;
  } cases[] = {
      {plat::kDiskFull, 0, plat::kOk, "Disk full"},
      {plat::kOk, 3, plat::kOk, "Disk full"},
      {plat::kAccessDenied, 0, plat::kOk, "File access denied"},
      {plat::kOk, 0, plat::kWriteFault, "I/O error 29"},
  };
  for (const auto& c : cases) {
    plat::Services table = Recording("C:\\elsewhere\\setup.exe");
    gWriteError = c.writeError;
    gWriteCount = c.writeCount;
    gCloseError = c.closeError;
    static decltype(plat::services().writeFile) sRealWrite;
    sRealWrite = plat::services().writeFile;
    table.writeFile = [](plat::Handle file, const void* data, std::size_t size) {
      if (gWriteError != plat::kOk) return plat::Result<std::size_t>::failure(gWriteError);
      if (gWriteCount != 0) return plat::Result<std::size_t>{gWriteCount, plat::kOk};
      return sRealWrite(file, data, size);
    };
    static decltype(plat::services().closeFile) sRealClose;
    sRealClose = plat::services().closeFile;
    table.closeFile = [](plat::Handle file) {
      const std::uint32_t closed = sRealClose(file);
      return gCloseError != plat::kOk ? gCloseError : closed;
    };
    plat::ScopedServices scoped(table);
    try {
      RemoveSelf(In("home"));
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const SetupError& error) {
      EXPECT_EQ(std::string(error.what()), c.text);
    }
    EXPECT_TRUE(gStarted.empty()) << c.text;
  }
}

// Runs a copy of this test program at `program` that hands `folder` to RemoveSelf and ends.
// The batch then runs in the platform's own interpreter: the command interpreter under
// Windows (where the copy's file stays in use until it has ended), the POSIX body's here.
void RunCopy(const std::string& program, const std::string& folder, int staySeconds = 0) {
  const std::string stay = staySeconds > 0 ? " " + std::to_string(staySeconds) : "";
#ifdef _WIN32
  auto self = plat::ModuleFileName();
  ASSERT_TRUE(self.ok());
  ASSERT_EQ(plat::CopyFile(self.value(), program, false), plat::kOk) << program;
  // cmd /c drops the outer pair of quotes.
  const std::string command =
      "\"\"" + program + "\" --remove-self \"" + folder + "\"" + stay + "\"";
#else
  auto mapped = plat::posix::MapPath(program);
  ASSERT_TRUE(mapped.ok()) << program;
  const std::string host = mapped.value().host;
  std::filesystem::copy_file("/proc/self/exe", host,
                             std::filesystem::copy_options::overwrite_existing);
  chmod(host.c_str(), 0755);
  const std::string command = "'" + host + "' --remove-self '" + folder + "'" + stay;
#endif
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The batch's last line erases the batch: waits for that, as a batch lives on after the
// program that started it.
void AwaitBatchEnd(const std::string& batch) {
  for (int i = 0; i < 600 && PathExists(batch); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_FALSE(PathExists(batch)) << "the batch did not finish";
}

TEST_F(SelfRemoval, UninstalledHomeDirectoryIsGoneOnceTheProgramHasEnded) {
  const std::string home = In("Program Files\\Vorlex");
  MakeFolders(home + "\\Sources\\deep");
  PutFile(home + "\\Vorlex.exe", "v");
  PutFile(home + "\\Sources\\deep\\a.c", "a");
  PutFile(home + "\\setup.ini", "[ALL]\r\n");

  RunCopy(home + "\\setup.exe", ShortPathOf(home));
  AwaitBatchEnd(batch_);

  EXPECT_FALSE(PathExists(home));
  EXPECT_TRUE(PathExists(In("Program Files")));
  EXPECT_TRUE(PathExists(lwTemp_));
}

// A program that stays after starting its batch (its user leaves the last message open) keeps
// its file and its settings file for as long as it runs; the batch takes them once it ended.
TEST_F(SelfRemoval, NothingOfTheProgramGoesWhileItStillRuns) {
  const std::string home = In("Vorlex");
  MakeFolders(home);
  PutFile(home + "\\setup.ini", "[ALL]\r\n");

  RunCopy(home + "\\setup.exe", home, 4);  // exits 4 when its files went while it ran
  AwaitBatchEnd(batch_);

  EXPECT_FALSE(PathExists(home));
}

TEST_F(SelfRemoval, BatchErasesAProgramAndItsSettingsThatTheTreeRemovalDidNotReach) {
  const std::string home = In("home");
  MakeFolders(home);
  MakeFolders(lwTemp_ + "\\unpacked");
  PutFile(lwTemp_ + "\\unpacked\\setup.ini", "[ALL]\r\n");
  PutFile(lwTemp_ + "\\unpacked\\Vorlex.ini", "kept");

  RunCopy(lwTemp_ + "\\unpacked\\setup.exe", home);
  AwaitBatchEnd(batch_);

  EXPECT_EQ(Names(lwTemp_ + "\\unpacked"), std::vector<std::string>{"Vorlex.ini"});
  EXPECT_FALSE(PathExists(home));
}

TEST_F(SelfRemoval, UndeletableFileKeepsTheHomeDirectoryAndNothingElse) {
  const std::string home = In("Vorlex");
  MakeFolders(home);
  PutFile(home + "\\locked.dat", "x");
  PutFile(home + "\\other.dat", "y");
  ASSERT_EQ(plat::SetFileAttributes(home + "\\locked.dat", plat::kAttrReadOnly), plat::kOk);

  RunCopy(home + "\\setup.exe", home);
  AwaitBatchEnd(batch_);

  EXPECT_EQ(Names(home), std::vector<std::string>{"locked.dat"});
}

TEST_F(SelfRemoval, CancelledSetupFromItsDistributionFolderLeavesThatFolderAlone) {
  const std::string distribution = In("cd");
  MakeFolders(distribution);
  PutFile(distribution + "\\setup.ini", "[ALL]\r\n");
  PutFile(lwTemp_ + "\\left.tmp", "old");

  RunCopy(distribution + "\\setup.exe", lwTemp_);
  AwaitBatchEnd(batch_);

  EXPECT_TRUE(PathExists(distribution + "\\setup.exe"));
  EXPECT_TRUE(PathExists(distribution + "\\setup.ini"));
  EXPECT_TRUE(PathExists(lwTemp_));
  EXPECT_TRUE(Names(lwTemp_).empty()) << "the batch erased itself";
}

}  // namespace
}  // namespace setup::testing
