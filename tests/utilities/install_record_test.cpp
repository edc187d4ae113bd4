// TInstallRecord: the record key \software\Korb\Vorlex with its AppDir value; the Apps &
// features entry written and deleted beside it.
#include "uninstall/install_record.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support.h"
#include "texts/error.h"
#include "uninstall/apps_entry.h"

namespace setup {
namespace {

const char kRecordKey[] = "\\software\\Korb\\Vorlex";

bool KeyExists(const std::string& path) {
  return plat::RegKey::Open(plat::Hive::kCurrentUser, path).ok();
}

void CreateKey(const std::string& path) {
  ASSERT_TRUE(plat::RegKey::Create(plat::Hive::kCurrentUser, path).ok()) << path;
}

TInstallRecord Record(const std::string& home = "c:\\Vorlex") {
  TInstallRecord record;
  record.RProg = "Vorlex";
  record.RHomeDir = home;
  return record;
}

plat::Result<plat::RegValue> DwordValue(plat::Handle, const std::string&) {
  return {plat::RegValue{plat::kRegDword, std::string("\x2A\x00\x00\x00", 4)}, plat::kOk};
}
plat::Result<plat::Handle> CreateRefused(plat::Hive, const std::string&) {
  return plat::Result<plat::Handle>::failure(plat::kAccessDenied);
}
std::uint32_t SetRefused(plat::Handle, const std::string&, const std::string&) {
  return plat::kAccessDenied;
}
std::uint32_t DwordRefused(plat::Handle, const std::string&, std::uint32_t) {
  return plat::kAccessDenied;
}
std::uint32_t DeleteRefused(plat::Handle, const std::string&) { return plat::kAccessDenied; }

std::string Dword(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
          static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
}

class InstallRecordTest : public testing::MachineTest {
 protected:
  // On Windows the registry is the machine's own: start and end without a record.
  void SetUp() override {
    MachineTest::SetUp();
    Record().DeleteRecord();
  }
  void TearDown() override {
    Record().DeleteRecord();
    MachineTest::TearDown();
  }
};

TEST_F(InstallRecordTest, NoRecordKeepsTheHomeDirectory) {
  auto record = Record("c:\\Vorlex");
  EXPECT_FALSE(record.ReadRecord());
  EXPECT_EQ(record.RHomeDir, "c:\\Vorlex");
  EXPECT_FALSE(KeyExists(kRecordKey));
}

TEST_F(InstallRecordTest, RoundTripKeepsThePathExactly) {
  const std::string home = "C:\\Program Files\\Vorlex  2\\\\ \xE8\xE1st ";
  auto written = Record(home);
  EXPECT_TRUE(written.WriteRecord());
  EXPECT_EQ(written.RKey, "\\software\\Korb");
  auto read = Record("elsewhere");
  ASSERT_TRUE(read.ReadRecord());
  EXPECT_EQ(read.RHomeDir, home);
  // A second write replaces the value.
  written.RHomeDir = "D:\\Other";
  EXPECT_TRUE(written.WriteRecord());
  ASSERT_TRUE(read.ReadRecord());
  EXPECT_EQ(read.RHomeDir, "D:\\Other");
}

TEST_F(InstallRecordTest, KeyWithoutAppDirCountsAsFoundAndEmpty) {
  CreateKey(kRecordKey);
  auto record = Record("c:\\Vorlex");
  EXPECT_TRUE(record.ReadRecord());
  EXPECT_EQ(record.RHomeDir, "");
}

TEST_F(InstallRecordTest, RecordCrossesProcesses) {
  ASSERT_TRUE(testing::RunSelf("--child-write-record"));
  auto record = Record();
  ASSERT_TRUE(record.ReadRecord());
  EXPECT_EQ(record.RHomeDir, "C:\\Program Files\\Vorlex by child");

  record.RHomeDir = "D:\\Vorlex from parent\\";
  ASSERT_TRUE(record.WriteRecord());
  EXPECT_TRUE(testing::RunSelf("--child-read-record"));

  record.DeleteRecord();
  EXPECT_TRUE(testing::RunSelf("--child-expect-no-record"));
}

TEST_F(InstallRecordTest, DeleteRemovesSubkeysAndKeepsTheMakerKey) {
  auto record = Record();
  ASSERT_TRUE(record.WriteRecord());
  for (const char* sub : {"\\A", "\\A\\Deep", "\\A\\Deep\\Deeper", "\\B", "\\C", "\\C\\X"}) {
    CreateKey(std::string(kRecordKey) + sub);
  }
  CreateKey("\\software\\Korb\\Another product");
  record.DeleteRecord();
  EXPECT_FALSE(KeyExists(kRecordKey));
  EXPECT_FALSE(KeyExists(std::string(kRecordKey) + "\\A\\Deep"));
  EXPECT_TRUE(KeyExists("\\software\\Korb"));
  EXPECT_TRUE(KeyExists("\\software\\Korb\\Another product"));
  auto again = Record("kept");
  EXPECT_FALSE(again.ReadRecord());
  EXPECT_EQ(again.RHomeDir, "kept");
  // Deleting a record that is not there does nothing.
  record.DeleteRecord();
  EXPECT_TRUE(KeyExists("\\software\\Korb"));
  plat::RegKey maker =
      std::move(plat::RegKey::Open(plat::Hive::kCurrentUser, "\\software\\Korb").value_or({}));
  EXPECT_EQ(plat::RegDeleteKey(maker.get(), "Another product"), plat::kOk);
}

TEST_F(InstallRecordTest, EmptyProductNameNeverDeletesTheMakerKey) {
  ASSERT_TRUE(Record().WriteRecord());
  for (const char* name : {"", "\\", "\\\\"}) {
    TInstallRecord nameless;
    nameless.RProg = name;
    nameless.DeleteRecord();
  }
  EXPECT_TRUE(KeyExists(kRecordKey));
}

TEST_F(InstallRecordTest, AppDirOfAnotherTypeRaises) {
  ASSERT_TRUE(Record().WriteRecord());
  testing::Injection injection;
  injection.table().regQueryValue = DwordValue;
  injection.Apply();
  auto record = Record("c:\\Vorlex");
  try {
    record.ReadRecord();
    FAIL() << "no error raised";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'AppDir'");
  }
  EXPECT_EQ(record.RHomeDir, "c:\\Vorlex");
}

TEST_F(InstallRecordTest, WriteFailures) {
  {
    testing::Injection injection;
    injection.table().regCreateKey = CreateRefused;
    injection.Apply();
    EXPECT_FALSE(Record().WriteRecord());
  }
  EXPECT_FALSE(KeyExists(kRecordKey));
  testing::Injection injection;
  injection.table().regSetString = SetRefused;
  injection.Apply();
  try {
    Record().WriteRecord();
    FAIL() << "no error raised";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'AppDir'");
  }
}

// The entry holds every value with its type; EstimatedSize is the kilobytes below the home,
// rounded up; links are not entered. Deleting it leaves the record alone.
TEST_F(InstallRecordTest, AppsEntryIsWrittenAndDeletedApartFromTheRecord) {
  const std::string home = In("Vorlex Home\\");
  testing::MakeFolder(In("Vorlex Home"));
  testing::MakeFolder(In("Vorlex Home\\Manual"));
  testing::PutFile(In("Vorlex Home\\setup.exe"), std::string(1500, 'x'));
  testing::PutFile(In("Vorlex Home\\Manual\\a.htm"), std::string(2048, 'y'));
  testing::PutFile(In("Vorlex Home\\Manual\\empty.txt"), "");
  ASSERT_TRUE(Record(home).WriteRecord());
  ASSERT_EQ(WriteAppsEntry(home), "");

  const std::string folder = In("Vorlex Home");
  const std::pair<const char*, plat::RegValue> expected[] = {
      {"DisplayName", {plat::kRegSz, std::string("Vorlex\0", 7)}},
      {"DisplayVersion", {plat::kRegSz, std::string("2.12\0", 5)}},
      {"Publisher", {plat::kRegSz, std::string("Korb\0", 5)}},
      {"InstallLocation", {plat::kRegSz, folder + '\0'}},
      {"DisplayIcon", {plat::kRegSz, folder + "\\Vorlex.exe" + '\0'}},
      {"UninstallString", {plat::kRegSz, "\"" + folder + "\\setup.exe\" /U" + '\0'}},
      {"QuietUninstallString", {plat::kRegSz, "\"" + folder + "\\setup.exe\" /U /S" + '\0'}},
      {"NoModify", {plat::kRegDword, Dword(1)}},
      {"NoRepair", {plat::kRegDword, Dword(1)}},
      {"EstimatedSize", {plat::kRegDword, Dword(4)}},  // 3548 bytes
  };
  {
    auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, kAppsEntryKey);
    ASSERT_TRUE(key.ok());
    for (const auto& [name, value] : expected) {
      auto read = plat::RegQueryValue(key.value().get(), name);
      ASSERT_TRUE(read.ok()) << name;
      EXPECT_EQ(read.value().type, value.type) << name;
      EXPECT_EQ(read.value().data, value.data) << name;
    }
  }
  EXPECT_EQ(KilobytesBelow(In("nothing here")), std::optional<std::uint32_t>(0));

  // A write or a deletion that fails is named; the entry stays until it goes.
  {
    testing::Injection injection;
    injection.table().regSetDword = DwordRefused;
    injection.table().regDeleteKey = DeleteRefused;
    injection.Apply();
    EXPECT_EQ(WriteAppsEntry(home),
              std::string("Registry: HKEY_CURRENT_USER\\") + kAppsEntryKey + " NoModify");
    EXPECT_EQ(DeleteAppsEntry(), std::string("Registry: HKEY_CURRENT_USER\\") + kAppsEntryKey);
  }
  EXPECT_TRUE(KeyExists(kAppsEntryKey));
  EXPECT_EQ(DeleteAppsEntry(), "");
  EXPECT_EQ(DeleteAppsEntry(), "");
  EXPECT_FALSE(KeyExists(kAppsEntryKey));
  EXPECT_TRUE(KeyExists(kRecordKey));
  EXPECT_TRUE(KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  testing::Erase(folder);
}

}  // namespace
}  // namespace setup
