// CreateShortcut through the platform's link writer: the link files it leaves, read back
// with the tests' own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "install/shortcut.h"
#include "lnk_reader.h"
#include "platform/files.h"
#include "platform/services.h"
#include "test_support.h"
#include "texts/error.h"

namespace setup::testing {
namespace {

class Links : public MachineTest {
 protected:
  ParsedLink Read(const std::string& file) {
    const std::string bytes = FileBytes(file);
    EXPECT_FALSE(bytes.empty()) << file;
    ParsedLink link = ParseLink(bytes);
    EXPECT_EQ(link.error, "") << file;
    return link;
  }
};

TEST_F(Links, LinkHoldsTargetAndItsFolderAsWorkingDirectory) {
  const std::string folder = In("Program Files\\Vorlex");
  MakeFolders(folder);
  PutFile(folder + "\\Vorlex.exe", std::string(1234, 'x'));
  MakeFolders(In("Desktop"));

  CreateShortcut(folder + "\\Vorlex.exe", "Vorlex", In("Desktop"));

  const ParsedLink link = Read(In("Desktop\\Vorlex.lnk"));
  const std::string bytes = FileBytes(In("Desktop\\Vorlex.lnk"));
  const std::string windowsStart("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20);
  EXPECT_EQ(bytes.substr(0, 20), windowsStart);
  EXPECT_EQ(link.Target(), folder + "\\Vorlex.exe");
  EXPECT_TRUE(link.hasWorkingDirectory);
  EXPECT_EQ(link.workingDirectory, folder + "\\");
#ifndef _WIN32
  EXPECT_EQ(link.fileSize, 1234u);  // Windows records the target's size; Wine leaves 0
#endif
  EXPECT_EQ(link.showCommand, 1u);
  EXPECT_EQ(link.attributes & plat::kAttrDirectory, 0u);
  EXPECT_NE(link.flags & 0x80, 0u) << "strings are Unicode";
}

TEST_F(Links, ItemIdListNamesEveryFolderAndTheFileFromMyComputerDown) {
  const std::string folder = In("a b\\c");
  MakeFolders(folder);
  PutFile(folder + "\\d.txt", "d");

  CreateShortcut(folder + "\\d.txt", "D", Work());

  const ParsedLink link = Read(In("D.lnk"));
  ASSERT_FALSE(link.idListPath.empty());
  EXPECT_EQ(link.idListPath, folder + "\\d.txt");
  EXPECT_FALSE(link.idListLastIsFolder);
  EXPECT_EQ(link.localBasePath, folder + "\\d.txt");
}

TEST_F(Links, TargetNotThereYetStillGivesTheLink) {
  MakeFolders(In("group"));
  CreateShortcut(In("home\\manual\\Vorlex.htm"), "Later", In("group"));

  const ParsedLink link = Read(In("group\\Later.lnk"));
  EXPECT_EQ(link.Target(), In("home\\manual\\Vorlex.htm"));
  EXPECT_EQ(link.workingDirectory, In("home\\manual\\"));
  EXPECT_EQ(link.fileSize, 0u);
}

TEST_F(Links, CzechNamesSurviveInTheFileNameAndTheUnicodeFields) {
  const std::string folder = In(Cp("Příručky"));
  MakeFolders(folder);
  PutFile(folder + "\\" + Cp("Čtení.htm"), "x");

  CreateShortcut(folder + "\\" + Cp("Čtení.htm"), Cp("Manuál"), Work());

  const auto names = Names(Work());
  EXPECT_NE(std::find(names.begin(), names.end(), Cp("Manuál.lnk")), names.end());
  const ParsedLink link = Read(In(Cp("Manuál.lnk")));
  EXPECT_EQ(link.Target(), folder + "\\" + Cp("Čtení.htm"));
  EXPECT_EQ(link.workingDirectory, folder + "\\");
}

TEST_F(Links, ExtensionAppendedOnlyWithoutTheExactLowerCaseText) {
  PutFile(In("t.exe"), "t");
  for (const auto& [name, file] : {std::pair{"Vorlex", "Vorlex.lnk"},
                                   {"Vorlex.lnk", "Vorlex.lnk"},
                                   {"Demo.LNK", "Demo.LNK.lnk"},
                                   {"old.lnk.bak", "old.lnk.bak"},
                                   {"", ".lnk"},
                                   {"Two words", "Two words.lnk"}}) {
    CreateShortcut(In("t.exe"), name, Work());
    EXPECT_TRUE(PathExists(In(file))) << name;
  }
  auto names = Names(Work());
  EXPECT_EQ(names.size(), 6u) << "the target and one link per case, nothing else";
}

TEST_F(Links, FolderWithOrWithoutTrailingBackslashGivesOneFile) {
  PutFile(In("t.exe"), "t");
  MakeFolders(In("menu"));
  CreateShortcut(In("t.exe"), "A", In("menu"));
  CreateShortcut(In("t.exe"), "B", In("menu\\"));
  auto names = Names(In("menu"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"A.lnk", "B.lnk"}));
}

TEST_F(Links, ExistingLinkIsReplacedWithoutLeftovers) {
  PutFile(In("one.exe"), "1");
  PutFile(In("two.exe"), "2");
  MakeFolders(In("menu"));
  PutFile(In("menu\\Vorlex.lnk"), "not a link at all, and longer than nothing");

  CreateShortcut(In("one.exe"), "Vorlex", In("menu"));
  EXPECT_EQ(Read(In("menu\\Vorlex.lnk")).Target(), In("one.exe"));
  CreateShortcut(In("two.exe"), "Vorlex", In("menu"));
  EXPECT_EQ(Read(In("menu\\Vorlex.lnk")).Target(), In("two.exe"));
  EXPECT_EQ(Names(In("menu")), std::vector<std::string>{"Vorlex.lnk"});
}

TEST_F(Links, MissingFolderLeavesNoFileAndReportsNothing) {
  PutFile(In("t.exe"), "t");
  EXPECT_NO_THROW(CreateShortcut(In("t.exe"), "Vorlex", In("no such folder")));
  EXPECT_FALSE(PathExists(In("no such folder")));
  EXPECT_EQ(Names(Work()), std::vector<std::string>{"t.exe"});
}

TEST_F(Links, EmptyShellFolderGetsNoLinkAtTheDriveRoot) {
  PutFile(In("t.exe"), "t");
  ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
  const std::string root = Work().substr(0, 3);
  const bool before = PathExists(root + "Vorlex.lnk");

  CreateShortcut(In("t.exe"), "Vorlex", "");

  EXPECT_EQ(PathExists(root + "Vorlex.lnk"), before);
  EXPECT_FALSE(PathExists("\\Vorlex.lnk") && !before);
}

TEST_F(Links, LinkObjectFailureIsRaisedWithItsText) {
  plat::Services failing = plat::services();
  failing.saveShellLink = [](const std::string&, const std::string&, const std::string&) {
    return plat::ShellLinkOutcome{"Interface not supported", false};
  };
  plat::ScopedServices scoped(failing);
  try {
    CreateShortcut("C:\\x.exe", "x", "C:\\");
    FAIL() << "no error raised";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Interface not supported");
  }
}

TEST_F(Links, WorkingDirectoryIsTheTargetFolderWithItsBackslash) {
  for (const auto& [target, expected] :
       {std::pair{"C:\\Program Files\\Vorlex\\Vorlex.exe", "C:\\Program Files\\Vorlex\\"},
        {"C:\\setup.exe", "C:\\"}}) {
    plat::Services recording = plat::services();
    static std::string working;
    recording.saveShellLink = [](const std::string&, const std::string& w, const std::string&) {
      working = w;
      return plat::ShellLinkOutcome{};
    };
    plat::ScopedServices scoped(recording);
    CreateShortcut(target, "x", "C:\\somewhere");
    EXPECT_EQ(working, expected) << target;
  }
}

}  // namespace
}  // namespace setup::testing
