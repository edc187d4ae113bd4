// Proves the Windows test pipeline end to end: a MinGW GoogleTest program, run under Wine
// from CTest, calling the Win32 body through the service table.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"

namespace {

TEST(WineSmoke, RunsInADriveCFolderWithATempPath) {
  auto cwd = plat::CurrentDirectory();
  ASSERT_TRUE(cwd.ok()) << cwd.error;
  EXPECT_EQ(cwd.value.substr(1, 2), ":\\");
  auto temp = plat::TempPath();
  ASSERT_TRUE(temp.ok()) << temp.error;
  EXPECT_EQ(temp.value.back(), '\\');
  EXPECT_NE(plat::FileAttributes(temp.value).value & plat::kAttrDirectory, 0u);
}

TEST(WineSmoke, RegistryKeyWithLeadingBackslashRoundTrips) {
  const std::string path = "\\software\\SetupWineSmoke";
  {
    auto key = plat::RegKey::Create(plat::Hive::kCurrentUser, path);
    ASSERT_TRUE(key.ok()) << key.error;
    ASSERT_EQ(plat::RegSetString(key.value.get(), "AppDir", "C:\\Vorlex"), plat::kOk);
    auto v = plat::RegQueryValue(key.value.get(), "AppDir");
    ASSERT_TRUE(v.ok()) << v.error;
    EXPECT_EQ(v.value.type, plat::kRegSz);
    EXPECT_EQ(v.value.data, std::string("C:\\Vorlex", 10));
  }
  auto software = plat::RegKey::Open(plat::Hive::kCurrentUser, "software");
  ASSERT_TRUE(software.ok()) << software.error;
  EXPECT_EQ(plat::RegDeleteKey(software.value.get(), "SetupWineSmoke"), plat::kOk);
  EXPECT_EQ(plat::RegKey::Open(plat::Hive::kCurrentUser, path).error, plat::kFileNotFound);
}

}  // namespace
