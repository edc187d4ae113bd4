// IsProtectedFolder: the folders whose tree the uninstall must not remove.
#include "uninstall/protected_folders.h"

#include <gtest/gtest.h>

#include "install/fileops.h"
#include "install/sysdirs.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support.h"

namespace setup {
namespace {

std::string gDesktop;

plat::Result<plat::RegValue> DesktopInjected(plat::Handle key, const std::string& name) {
  if (name == "Desktop") return {plat::RegValue{plat::kRegSz, gDesktop}, plat::kOk};
  return plat::NativeServices().regQueryValue(key, name);
}

using ProtectedFolderTest = testing::MachineTest;

TEST_F(ProtectedFolderTest, DriveRootsInAnyForm) {
  const TSystemDirs dirs;
  for (const char* root : {"C:", "C:\\", "c:\\\\", " C:\\ ", "C:\\.", "C:\\Vorlex\\..", "C:/",
                           "D:\\x\\..\\..", "", "   "}) {
    EXPECT_TRUE(IsProtectedFolder(root, dirs)) << '"' << root << '"';
  }
}

TEST_F(ProtectedFolderTest, SystemAndShellFoldersAndWhatHoldsThem) {
  const TSystemDirs dirs;
  for (const std::string& folder : {dirs.WindowsDir(), dirs.ProgramFilesDir(), dirs.DeskTopDir(),
                                    dirs.StartMenuDir(), dirs.StartMenuProgramsDir()}) {
    if (folder.empty()) continue;  // SystemRoot is not under CurrentVersion on NT
    EXPECT_TRUE(IsProtectedFolder(folder, dirs)) << folder;
    EXPECT_TRUE(IsProtectedFolder(folder + "\\\\", dirs)) << folder;
    EXPECT_TRUE(IsProtectedFolder(folder + "\\Sub\\..", dirs)) << folder;
    EXPECT_TRUE(IsProtectedFolder(ParentPart(folder), dirs)) << folder;
  }
  std::string lower = dirs.ProgramFilesDir();
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  EXPECT_TRUE(IsProtectedFolder(lower, dirs)) << lower;
}

std::optional<std::string> WindowsEnvironment(const std::string& name) {
  if (name == "SystemRoot") return "C:\\WinNT";
  if (name == "ProgramFiles" || name == "ProgramFiles(x86)") return "D:\\Program Files (x86)";
  if (name == "ProgramW6432") return "D:\\Program Files";
  return std::nullopt;
}

// The Windows folder and both Program Files folders of a 64-bit system, as the environment of
// a 32-bit program names them.
TEST_F(ProtectedFolderTest, WindowsAndProgramFilesFoldersOfTheEnvironment) {
  const TSystemDirs dirs;
  testing::Injection injection;
  injection.table().environment = WindowsEnvironment;
  injection.Apply();
  for (const char* folder : {"c:\\winnt\\", "D:\\Program Files (x86)", "d:\\program files\\",
                             "D:\\Program Files\\Sub\\.."}) {
    EXPECT_TRUE(IsProtectedFolder(folder, dirs)) << folder;
  }
  for (const char* folder :
       {"C:\\WinNT\\Vorlex", "D:\\Program Files (x86)\\Vorlex", "D:\\Program Files\\Vorlex"}) {
    EXPECT_FALSE(IsProtectedFolder(folder, dirs)) << folder;
  }
}

TEST_F(ProtectedFolderTest, AnInstallationFolderIsNotProtected) {
  const TSystemDirs dirs;
  EXPECT_FALSE(IsProtectedFolder(dirs.ProgramFilesDir() + "\\Vorlex", dirs));
  EXPECT_FALSE(IsProtectedFolder(dirs.ProgramFilesDir() + "\\\\Vorlex\\", dirs));
  EXPECT_FALSE(IsProtectedFolder("C:\\Vorlex", dirs));
  // A sibling whose name begins like a protected folder is not inside it.
  EXPECT_FALSE(IsProtectedFolder(dirs.ProgramFilesDir() + "X", dirs));
  ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
  EXPECT_FALSE(IsProtectedFolder("Vorlex", dirs));
  EXPECT_FALSE(IsProtectedFolder(".", dirs));
}

TEST_F(ProtectedFolderTest, RelativePathsResolveAgainstTheCurrentDirectory) {
  const TSystemDirs dirs;
  ASSERT_EQ(plat::SetCurrentDirectory(dirs.ProgramFilesDir()), plat::kOk);
  EXPECT_TRUE(IsProtectedFolder(".", dirs));
  EXPECT_TRUE(IsProtectedFolder("..", dirs));
  EXPECT_TRUE(IsProtectedFolder("\\", dirs));
  EXPECT_FALSE(IsProtectedFolder("Vorlex", dirs));
}

TEST_F(ProtectedFolderTest, AccentedLettersCompareWithoutCase) {
  gDesktop = plat::Utf8ToCp1250("C:\\Users\\Tester\\Plocha Žluťoučký");
  testing::Injection injection;
  injection.table().regQueryValue = DesktopInjected;
  injection.Apply();
  const TSystemDirs dirs;
  EXPECT_TRUE(IsProtectedFolder(plat::Utf8ToCp1250("c:\\users\\tester\\PLOCHA ŽLUŤOUČKÝ"), dirs));
  EXPECT_FALSE(IsProtectedFolder(plat::Utf8ToCp1250("c:\\users\\tester\\plocha zlutoucky"), dirs));
}

}  // namespace
}  // namespace setup
