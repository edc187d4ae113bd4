// TSystemDirs: the nine folders read once at construction.
#include "install/sysdirs.h"

#include <gtest/gtest.h>

#include <map>

#include "install/registry_text.h"
#include "platform/registry.h"
#include "support.h"
#include "texts/error.h"

namespace setup {
namespace {

const char kShellFolders[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Registry values seen through the injected query: a name maps to the value the query gives
// instead of the stored one; a value of type kRegNone stands for a missing value.
std::map<std::string, plat::RegValue> gValues;
std::optional<std::string> gTemp;
std::string gUnopenable;

plat::Result<plat::RegValue> QueryInjected(plat::Handle key, const std::string& name) {
  auto found = gValues.find(name);
  if (found == gValues.end()) return plat::NativeServices().regQueryValue(key, name);
  if (found->second.type == plat::kRegNone) {
    return plat::Result<plat::RegValue>::failure(plat::kFileNotFound);
  }
  return {found->second, plat::kOk};
}

plat::Result<plat::Handle> OpenInjected(plat::Hive hive, const std::string& path) {
  if (path == gUnopenable) return plat::Result<plat::Handle>::failure(plat::kAccessDenied);
  return plat::NativeServices().regOpenKey(hive, path);
}

std::optional<std::string> EnvironmentInjected(const std::string&) { return gTemp; }

class SystemDirsTest : public testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    gValues.clear();
    gUnopenable.clear();
    injection_.table().regQueryValue = QueryInjected;
    injection_.table().regOpenKey = OpenInjected;
    injection_.Apply();
  }

  void InjectTemp(std::optional<std::string> value) {
    gTemp = std::move(value);
    injection_.table().environment = EnvironmentInjected;
    injection_.Apply();
  }

  testing::Injection injection_;
};

TEST_F(SystemDirsTest, ReadsStringValuesAsStored) {
  // Up to the first zero byte, environment references unexpanded.
  gValues["Desktop"] = {plat::kRegSz, std::string("C:\\Users\\Jan Nov\xE1k\\Plocha\0junk", 30)};
  gValues["Start Menu"] = {plat::kRegExpandSz, std::string("%USERPROFILE%\\Start Menu\0", 25)};
  gValues["Programs"] = {plat::kRegSz, "C:\\no terminating zero"};
  TSystemDirs dirs;
  EXPECT_EQ(dirs.DeskTopDir(), "C:\\Users\\Jan Nov\xE1k\\Plocha");
  EXPECT_EQ(dirs.StartMenuDir(), "%USERPROFILE%\\Start Menu");
  EXPECT_EQ(dirs.StartMenuProgramsDir(), "C:\\no terminating zero");
}

TEST_F(SystemDirsTest, ReadsTheMachineItRunsOn) {
  TSystemDirs dirs;
  EXPECT_FALSE(dirs.DeskTopDir().empty());
  EXPECT_FALSE(dirs.StartMenuDir().empty());
  EXPECT_FALSE(dirs.StartMenuProgramsDir().empty());
  EXPECT_FALSE(dirs.ProgramFilesDir().empty());
  EXPECT_TRUE(testing::IsFolder(dirs.ProgramFilesDir())) << dirs.ProgramFilesDir();
  EXPECT_TRUE(testing::IsFolder(dirs.DeskTopDir())) << dirs.DeskTopDir();
}

TEST_F(SystemDirsTest, MissingDesktopValueLeavesItEmpty) {
  gValues["Desktop"] = {plat::kRegNone, ""};
  TSystemDirs dirs;
  EXPECT_EQ(dirs.DeskTopDir(), "");
  EXPECT_FALSE(dirs.StartMenuDir().empty());
  EXPECT_FALSE(dirs.ProgramFilesDir().empty());
}

TEST_F(SystemDirsTest, UnopenableKeyLeavesItsValuesEmpty) {
  gUnopenable = kShellFolders;
  TSystemDirs dirs;
  EXPECT_EQ(dirs.DeskTopDir(), "");
  EXPECT_EQ(dirs.FontsDir(), "");
  EXPECT_EQ(dirs.StartMenuDir(), "");
  EXPECT_EQ(dirs.StartMenuProgramsDir(), "");
  EXPECT_EQ(dirs.RecentDir(), "");
  EXPECT_EQ(dirs.StartMenuStartUp(), "");
  EXPECT_FALSE(dirs.ProgramFilesDir().empty());
}

TEST_F(SystemDirsTest, ValueOfAnotherTypeRaises) {
  gValues["Programs"] = {plat::kRegDword, std::string("\x01\x00\x00\x00", 4)};
  try {
    TSystemDirs dirs;
    FAIL() << "no error raised";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Programs'");
  }
  gValues.clear();
  gValues["ProgramFilesDir"] = {plat::kRegBinary, "C:\\Program Files"};
  EXPECT_THROW(TSystemDirs(), SetupError);
  // A value without data reads as empty text whatever its type.
  gValues.clear();
  gValues["Recent"] = {plat::kRegBinary, ""};
  EXPECT_EQ(TSystemDirs().RecentDir(), "");
}

TEST_F(SystemDirsTest, StoredValuesDoNotReachTheProperties) {
  TSystemDirs dirs;
  const TSystemDirs fresh;
  const std::string stored = "C:\\WINDOWS\\Plocha";
  dirs.SetWindowsDir(stored);
  dirs.SetProgramFilesDir(stored);
  dirs.SetDeskTopDir(stored);
  dirs.SetFontsDir(stored);
  dirs.SetStartMenuDir(stored);
  dirs.SetStartMenuProgramsDir(stored);
  dirs.SetRecentDir(stored);
  dirs.SetStartMenuStartUp(stored);
  dirs.SetTempDir(stored);
  EXPECT_EQ(dirs.WindowsDir(), fresh.WindowsDir());
  EXPECT_EQ(dirs.ProgramFilesDir(), fresh.ProgramFilesDir());
  EXPECT_EQ(dirs.DeskTopDir(), fresh.DeskTopDir());
  EXPECT_EQ(dirs.FontsDir(), fresh.FontsDir());
  EXPECT_EQ(dirs.StartMenuDir(), fresh.StartMenuDir());
  EXPECT_EQ(dirs.StartMenuProgramsDir(), fresh.StartMenuProgramsDir());
  EXPECT_EQ(dirs.RecentDir(), fresh.RecentDir());
  EXPECT_EQ(dirs.StartMenuStartUp(), fresh.StartMenuStartUp());
  EXPECT_EQ(dirs.TempDir(), fresh.TempDir());
}

TEST_F(SystemDirsTest, TempFitsA512ByteBufferOrIsEmpty) {
  InjectTemp("C:\\Temp dir");
  EXPECT_EQ(TSystemDirs().TempDir(), "C:\\Temp dir");
  InjectTemp(std::string(511, 't'));
  EXPECT_EQ(TSystemDirs().TempDir(), std::string(511, 't'));
  InjectTemp(std::string(512, 't'));
  EXPECT_EQ(TSystemDirs().TempDir(), "");
  InjectTemp(std::nullopt);
  EXPECT_EQ(TSystemDirs().TempDir(), "");
}

}  // namespace
}  // namespace setup
