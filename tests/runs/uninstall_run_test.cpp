// The uninstall run's own cases: the answer No, a record with an empty or a dangerous home,
// shell folders the system does not name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/sysdirs.h"
#include "platform/posix/prefix.h"
#include "platform/registry.h"
#include "runs_support.h"
#include "texts/message_table.h"
#include "texts/run_texts.h"
#include "uninstall/install_record.h"

namespace setup::testing {
namespace {

std::string Line(int index) { return BuiltInMessageLines()[static_cast<std::size_t>(index)]; }

class UninstallRun : public RunsTest {
 protected:
  void SetUp() override {
    RunsTest::SetUp();
    group_ = dirs_.StartMenuProgramsDir() + "\\Vorlex";
    MakeFolders(group_ + "\\Samples");
    PutFile(group_ + "\\Vorlex.lnk", "link");
    PutFile(group_ + "\\Samples\\Demo.lnk", "link");
    PutFile(dirs_.DeskTopDir() + "\\Vorlex.lnk", "link");
    PutFile(dirs_.StartMenuDir() + "\\Vorlex.lnk", "link");
    MakeFolders(In("start"));
  }

  void Record(const std::string& home) {
    TInstallRecord record;
    record.RProg = "Vorlex";
    record.RHomeDir = home;
    ASSERT_TRUE(record.WriteRecord());
  }

  void ExpectShortcutsAndRecordGone() {
    EXPECT_FALSE(PathExists(group_));
    EXPECT_FALSE(PathExists(dirs_.DeskTopDir() + "\\Vorlex.lnk"));
    EXPECT_FALSE(PathExists(dirs_.StartMenuDir() + "\\Vorlex.lnk"));
    EXPECT_EQ(RecordedHome(), std::nullopt);
    EXPECT_TRUE(MakerKeyExists());
  }

  Picture Machine() { return TakePicture(fs::path(plat::posix::PrefixDir()) / "drive_c"); }

  std::vector<std::string> Allowed() {
    return {HostOf(group_).string(), HostOf(dirs_.DeskTopDir() + "\\Vorlex.lnk").string(),
            HostOf(dirs_.StartMenuDir() + "\\Vorlex.lnk").string(), HostOf(LwTemp()).string(),
            HostOf(In("start\\setup.ini")).string()};
  }

  TSystemDirs dirs_;
  std::string group_;
};

TEST_F(UninstallRun, NoChangesNothingAndYesLaterRunsTheWholeUninstall) {
  const std::string home = In("Vorlex home");
  MakeFolders(home + "\\Sources");
  PutFile(home + "\\Sources\\a.c", "a");
  PutFile(home + "\\setup.exe", "program");
  Program() = home + "\\setup.exe";
  Record(home);
  RecordingUi& ui = NextUi();
  ui.QueueAnswer(ui::IDNO);
  ui.QueueAnswer(ui::IDYES);

  RunSetup(home, [&](TForm1& form) {
    form.Click(form.BitBtn11);
    EXPECT_FALSE(form.Closed());
    EXPECT_EQ(form.pages.ActivePageIndex(), kUninstallPage);
    EXPECT_TRUE(form.Lock.has_value());
    EXPECT_TRUE(PathExists(home + "\\Sources\\a.c"));
    EXPECT_TRUE(PathExists(group_));
    EXPECT_EQ(RecordedHome(), home + std::string(1, '\0'));
    form.Click(form.BitBtn11);
    EXPECT_TRUE(form.Closed());
    EXPECT_FALSE(form.Lock.has_value());
  });

  const auto& shown = LastUi().shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, shown[1].text);
  EXPECT_EQ(shown[2].text, Line(29));
  RunRecordedBatches();
  EXPECT_FALSE(PathExists(home));
  ExpectShortcutsAndRecordGone();
}

TEST_F(UninstallRun, EmptyRecordedHomeRemovesShortcutsAndRecordButNoFolder) {
  PutFile(In("start\\keep.txt"), "the current directory's own file");
  Program() = In("start\\setup.exe");
  PutFile(Program(), "program");
  Record("");
  NextUi().QueueAnswer(ui::IDYES);
  const Picture before = Machine();

  RunSetup(In("start"), [](TForm1& form) { form.Click(form.BitBtn11); });

  const auto& shown = LastUi().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, Line(26) + "  " + Line(27) + "\r" + Line(28));
  EXPECT_EQ(shown[1].text, Line(29));
  const std::string batch = LwTemp() + "\\setup123.bat";
  EXPECT_EQ(FileBytes(batch), "rd \r\nErase \"" + batch + "\"\r\n");
  RunRecordedBatches();
  ExpectShortcutsAndRecordGone();
  EXPECT_EQ(StrayChanges(before, Machine(), Allowed()), std::vector<std::string>{});
}

class ProtectedHome : public UninstallRun, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProtectedHome, IsKeptAndTheUserTold) {
  const std::string home = std::string(GetParam()) == "Program Files"
                               ? dirs_.ProgramFilesDir() + "\\"
                               : std::string(GetParam());
  Program() = In("start\\setup.exe");
  PutFile(Program(), "program");
  Record(home);
  NextUi().QueueAnswer(ui::IDYES);
  const Picture before = Machine();

  RunSetup(In("start"), [](TForm1& form) {
    form.Click(form.BitBtn11);
    EXPECT_TRUE(form.Closed());
  });

  // One box, in one language, names the folder that stays and why.
  const auto& shown = LastUi().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text.rfind(RunTextOf(RunText::kUninstallLeft) + "\r", 0), 0u);
  // "C:" names the drive's current folder; a ".." or a device is no plain folder either.
  const std::string param = GetParam();
  const bool plain = param != "C:" && param.find("..") == std::string::npos &&
                     param.find("NUL") == std::string::npos;
  EXPECT_NE(
      shown[1].text.find(RunTextOf(plain ? RunText::kProtectedFolder : RunText::kRefusedFolder)),
      std::string::npos);
  EXPECT_EQ(shown[1].flags, ui::MB_OK | ui::MB_ICONERROR);
  EXPECT_TRUE(Starts().empty()) << "no batch for a folder that stays";
  ExpectShortcutsAndRecordGone();
  EXPECT_EQ(StrayChanges(before, Machine(), Allowed()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(DriveRootsAndSystemFolders, ProtectedHome,
                         ::testing::Values("C:\\", "c:\\\\", "C:", "Program Files", "C:\\users",
                                           "C:\\start\\..\\users", "C:\\start\\NUL"));

TEST_F(UninstallRun, ShellFoldersTheSystemDoesNotNameAreNotTakenFromTheDriveRoot) {
  const std::string home = In("home");
  MakeFolders(home);
  PutFile(home + "\\Vorlex.exe", "v");
  Program() = home + "\\setup.exe";
  PutFile(Program(), "program");
  Record(home);
  MakeFolders("C:\\vorlex");
  PutFile("C:\\vorlex\\keep.txt", "not the product's");
  PutFile("C:\\vorlex.lnk", "not the product's");
  {
    auto key = plat::RegKey::Create(
        plat::Hive::kCurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    ASSERT_TRUE(key.ok());
    for (const char* name : {"Desktop", "Start Menu", "Programs"}) {
      plat::RegSetString(key.value().get(), name, "");
    }
  }
  NextUi().QueueAnswer(ui::IDYES);

  RunSetup(home, [](TForm1& form) { form.Click(form.BitBtn11); });
  RunRecordedBatches();

  EXPECT_EQ(FileBytes("C:\\vorlex\\keep.txt"), "not the product's");
  EXPECT_EQ(FileBytes("C:\\vorlex.lnk"), "not the product's");
  EXPECT_FALSE(PathExists(home));
  EXPECT_EQ(RecordedHome(), std::nullopt);
}

}  // namespace
}  // namespace setup::testing
