// The install run end to end, then the uninstall of what it installed: files, links, the
// record, the progress page step by step, the messages, the batch and what it leaves.
#include "app/install_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/unattended.h"
#include "install/paths.h"
#include "install/sysdirs.h"
#include "platform/files.h"
#include "platform/posix/prefix.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "runs_support.h"
#include "texts/error.h"
#include "texts/message_table.h"
#include "texts/run_texts.h"
#include "uninstall/apps_entry.h"
#include "uninstall/install_record.h"
#include "uninstall/remove_self.h"

namespace setup::testing {
namespace {

std::string Line(int index) { return BuiltInMessageLines()[static_cast<std::size_t>(index)]; }

// A setup.ini that replaces four lines of the message table.
std::string OverridingIni() {
  std::vector<std::string> lines = BuiltInMessageLines();
  lines[9] = Cp("Vytvářím složku");
  lines[11] = Cp("Složky:");
  lines[22] = Cp("Konec instalace");
  lines[25] = Cp("Hotovo!");
  std::string ini = "[ALL.Memo6_Lines]\r\nCount=32\r\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ini += "Item" + std::to_string(i) + "=\"" + lines[i] + "\"\r\n";
  }
  return ini;
}

std::string BatchText(const std::string& program, const std::string& rdLine,
                      const std::string& batch) {
  SelfRemovalBatch text{program, "", batch, true};
  std::string expected = SelfRemovalBatchText(text);
  // The folder line as the caller hands the folder in.
  expected.replace(expected.find("rd \r\n"), 5, rdLine + "\r\n");
  return expected;
}

// Positions of ALProgressBar2 at the step reports: the frames where a log line was added,
// from the first report on.
std::vector<int> StepPositions(const std::vector<Frame>& frames) {
  std::vector<int> positions;
  int lines = -1;
  for (const Frame& frame : frames) {
    if (frame.logLines != lines) positions.push_back(frame.overall);
    lines = frame.logLines;
  }
  return positions;
}

struct RunState {
  std::vector<std::string> log;
  std::string title, status;
  int overall = -1;
  bool closed = false;
  int page = -1;
};

class InstallRun : public RunsTest {
 protected:
  void SetUp() override {
    RunsTest::SetUp();
    home_ = dirs_.ProgramFilesDir() + "\\Vorlex";
  }

  // Walks the wizard and finishes, into `home` when one is given, keeping what the window
  // showed at the end.
  RunState Install(bool desktop, bool startMenu, const std::string& home = "") {
    RunState state;
    EXPECT_EQ(RunSetup(Payload(),
                       [&](TForm1& form) {
                         if (!home.empty()) {
                           form.Directory.Items.Put(0, home);
                           form.Directory.Select(0);
                         }
                         WalkAndFinish(form, desktop, startMenu);
                         state.log = form.LB1.Items.Lines();
                         state.title = form.Label8.Caption;
                         state.status = form.Mess.Caption;
                         state.overall = form.ALProgressBar2.Position();
                         state.closed = form.Closed();
                         state.page = form.pages.ActivePageIndex();
                       }),
              0);
    return state;
  }

  std::vector<std::string> Allowed() {
    return {HostOf(home_).string(),
            HostOf(dirs_.DeskTopDir() + "\\Vorlex.lnk").string(),
            HostOf(dirs_.StartMenuDir() + "\\Vorlex.lnk").string(),
            HostOf(dirs_.StartMenuProgramsDir() + "\\Vorlex").string(),
            HostOf(LwTemp()).string(),
            (PayloadHost() / "setup.ini").string()};
  }

  Picture Machine() {
    Picture picture = TakePicture(fs::path(plat::posix::PrefixDir()) / "drive_c");
    Picture payload = TakePicture(PayloadHost());
    picture.insert(payload.begin(), payload.end());
    return picture;
  }

  void ExpectLink(const std::string& file, const std::string& target) {
    const ParsedLink link = ReadLink(file);
    EXPECT_EQ(link.error, "") << file;
    EXPECT_EQ(link.Target(), target) << file;
    EXPECT_EQ(link.workingDirectory, target.substr(0, target.find_last_of('\\') + 1)) << file;
  }

  TSystemDirs dirs_;
  std::string home_;
};

TEST_F(InstallRun, CompleteRunThenUninstallLeaveNothingBehind) {
  MakePayload(true, true);
  PutPayloadFile("setup.ini", OverridingIni());
  const std::string group = dirs_.StartMenuProgramsDir() + "\\Vorlex";
  const Picture before = Machine();

  const RunState state = Install(true, true);

  // The progress page, step by step.
  EXPECT_TRUE(state.closed);
  EXPECT_EQ(state.page, kProgressPage);
  EXPECT_EQ(state.log, (std::vector<std::string>{
                           Cp("Složky:"), " - " + home_, " - " + home_ + "\\Sources",
                           " - " + home_ + "\\Manual", " - " + home_ + "\\Samples", "Prepare copy",
                           "Extract files", " - vx01", " - Sources", " - Manual", "",
                           "Link to desktop", "Link to START", "Update menu START"}));
  EXPECT_EQ(StepPositions(LastUi().frames),
            (std::vector<int>{0, 10, 20, 30, 40, 50, 50, 60, 70, 80, 80, 85, 90}));
  EXPECT_EQ(state.overall, 100);
  EXPECT_EQ(state.title, Cp("Konec instalace"));
  EXPECT_EQ(state.status, "Creating directory START/Programy");
  EXPECT_EQ(LastUi().frames.front().status, Cp("Vytvářím složku"));

  // The lower bar follows the large member of vx01.zip through its writes.
  std::vector<int> archive;
  for (const Frame& frame : LastUi().frames) {
    if (frame.logLines == 8) archive.push_back(frame.archive);
  }
  ASSERT_FALSE(archive.empty());
  EXPECT_TRUE(std::is_sorted(archive.begin(), archive.end()));
  EXPECT_TRUE(std::any_of(archive.begin(), archive.end(), [](int p) { return p > 0 && p < 100; }));
  EXPECT_EQ(archive.back(), 100);

  // One final message, the replaced line 25.
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].kind, ui::Shown::Kind::kMessageDialog);
  EXPECT_EQ(LastUi().shown()[0].caption, "Information");
  EXPECT_EQ(LastUi().shown()[0].text, Cp("Hotovo!"));

  // Files: the archives' members, all.zip's too, and the three copies.
  for (const char* file :
       {"Vorlex.exe", "readme.txt", "Samples\\demo.exe", "Sources\\a.c", "Sources\\sub\\b.h",
        "Manual\\Vorlex.htm", "extra.dat", "Samples\\more.dat", "setup.exe", "Vorlex.ini"}) {
    EXPECT_TRUE(PathExists(home_ + "\\" + file)) << file;
  }
  EXPECT_EQ(FileBytes(home_ + "\\setup.exe"), "the distribution's setup program");
  EXPECT_EQ(FileBytes(home_ + "\\setup.ini"), OverridingIni());
  EXPECT_EQ(FileBytes(home_ + "\\readme.txt"), "Vorlex\r\n");

  // Links.
  ExpectLink(dirs_.DeskTopDir() + "\\Vorlex.lnk", home_ + "\\Vorlex.exe");
  ExpectLink(dirs_.StartMenuDir() + "\\Vorlex.lnk", home_ + "\\Vorlex.exe");
  ExpectLink(group + "\\Vorlex.lnk", home_ + "\\Vorlex.exe");
  ExpectLink(group + "\\" + Cp("Manuál.lnk"), home_ + "\\manual\\Vorlex.htm");
  ExpectLink(group + "\\Uninstall.lnk", home_ + "\\setup.exe");
  ExpectLink(group + "\\Samples\\Demo.lnk", home_ + "\\Samples\\demo.exe");
  ExpectLink(group + "\\Deep\\Er\\Level\\Source A.lnk", home_ + "\\Sources\\a.c");
  ExpectLink(group + "\\.lnk", home_);
  ExpectLink(group + "\\Docs\\.lnk", home_ + "\\readme.txt");

  // The record, and the batch that erases the program unpacked into LWTEMP.
  EXPECT_EQ(RecordedHome(), home_ + std::string(1, '\0'));
  const std::string batch = LwTemp() + "\\setup123.bat";
  EXPECT_EQ(Starts(), std::vector<std::string>{batch});
  EXPECT_EQ(FileBytes(batch), BatchText(Program(), "rd " + LwTemp(), batch));
  RunRecordedBatches();
  EXPECT_FALSE(PathExists(Program()));
  EXPECT_TRUE(Names(LwTemp()).empty());

  EXPECT_EQ(StrayChanges(before, Machine(), Allowed()), std::vector<std::string>{});

  // Uninstall from the home directory, as the "Uninstall" link starts it.
  Program() = home_ + "\\setup.exe";
  NextUi().QueueAnswer(ui::IDYES);
  bool released = false;
  EXPECT_EQ(RunSetup(home_,
                     [&](TForm1& form) {
                       EXPECT_EQ(form.pages.ActivePageIndex(), kUninstallPage);
                       form.Click(form.BitBtn11);
                       released = !form.Lock.has_value();
                       EXPECT_TRUE(form.Closed());
                     }),
            0);
  EXPECT_TRUE(released);
  const auto& shown = LastUi().shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, Line(26) + " " + home_ + " " + Line(27) + "\r" + Line(28));
  EXPECT_EQ(shown[0].caption, "");
  EXPECT_EQ(shown[0].flags, 52u);
  EXPECT_EQ(shown[1].text, Line(29));
  EXPECT_EQ(shown[1].caption, "Vorlex Setup");
  EXPECT_EQ(shown[1].flags, 64u);
  const std::string uninstallBatch = LwTemp() + "\\setup123.bat";
  EXPECT_EQ(FileBytes(uninstallBatch),
            BatchText(home_ + "\\setup.exe", "rd \"" + home_ + "\"", uninstallBatch));
  RunRecordedBatches();

  EXPECT_FALSE(PathExists(home_));
  EXPECT_FALSE(PathExists(group));
  EXPECT_FALSE(PathExists(dirs_.DeskTopDir() + "\\Vorlex.lnk"));
  EXPECT_FALSE(PathExists(dirs_.StartMenuDir() + "\\Vorlex.lnk"));
  EXPECT_EQ(RecordedHome(), std::nullopt);
  EXPECT_TRUE(MakerKeyExists());
  EXPECT_EQ(StrayChanges(before, Machine(),
                         {HostOf(LwTemp()).string(), (PayloadHost() / "setup.ini").string()}),
            std::vector<std::string>{});

  // A second uninstall finds no record.
  MakeFolders(In("elsewhere"));
  EXPECT_EQ(RunSetup(In("elsewhere"), [](TForm1& form) { form.Click(form.BitBtn11); }), 0);
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].text, Line(30));
  EXPECT_EQ(LastUi().shown()[0].caption, "Vorlex Setup");
  EXPECT_EQ(LastUi().shown()[0].flags, 16u);
}

TEST_F(InstallRun, NoIconPlaceAndNoShortcutListGiveTheThreeGroupLinksOnly) {
  MakePayload(false, false);
  const RunState state = Install(false, false);

  EXPECT_EQ(StepPositions(LastUi().frames),
            (std::vector<int>{0, 10, 20, 30, 40, 50, 50, 60, 70, 80, 90}));
  EXPECT_EQ(std::count(state.log.begin(), state.log.end(), "Link to desktop"), 0);
  EXPECT_EQ(std::count(state.log.begin(), state.log.end(), "Link to START"), 0);
  EXPECT_FALSE(PathExists(dirs_.DeskTopDir() + "\\Vorlex.lnk"));
  EXPECT_FALSE(PathExists(dirs_.StartMenuDir() + "\\Vorlex.lnk"));
  auto names = Names(dirs_.StartMenuProgramsDir() + "\\Vorlex");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{Cp("Manuál.lnk"), "Uninstall.lnk", "Vorlex.lnk"}));
  EXPECT_FALSE(PathExists(home_ + "\\extra.dat")) << "no all.zip, nothing of it";
  EXPECT_EQ(LastUi().shown().at(0).text, Line(25));
}

TEST_F(InstallRun, OnlyTheStartMenuPlace) {
  MakePayload(false, false);
  const RunState state = Install(false, true);
  EXPECT_EQ(StepPositions(LastUi().frames),
            (std::vector<int>{0, 10, 20, 30, 40, 50, 50, 60, 70, 80, 85, 90}));
  EXPECT_EQ(std::count(state.log.begin(), state.log.end(), "Link to START"), 1);
  EXPECT_EQ(std::count(state.log.begin(), state.log.end(), "Link to desktop"), 0);
  EXPECT_TRUE(PathExists(dirs_.StartMenuDir() + "\\Vorlex.lnk"));
}

std::vector<std::string> gPaths;

TEST_F(InstallRun, DoubledAndTrailingBackslashesNeverReachTheFileSystem) {
  MakePayload(true, false);
  const std::string chosen = dirs_.ProgramFilesDir() + "\\\\Vorlex\\";
  plat::Services table = plat::services();
  static decltype(table.createDirectory) sCreate;
  static decltype(table.copyFile) sCopy;
  static decltype(table.saveShellLink) sLink;
  static decltype(table.openFile) sOpen;
  sCreate = table.createDirectory;
  sCopy = table.copyFile;
  sLink = table.saveShellLink;
  sOpen = table.openFile;
  gPaths.clear();
  table.createDirectory = [](const std::string& p) {
    gPaths.push_back(p);
    return sCreate(p);
  };
  table.copyFile = [](const std::string& from, const std::string& to, bool f) {
    gPaths.push_back(to);
    return sCopy(from, to, f);
  };
  table.saveShellLink = [](const std::string& t, const std::string& w, const std::string& l) {
    gPaths.push_back(t);
    gPaths.push_back(l);
    return sLink(t, w, l);
  };
  table.openFile = [](const std::string& p, plat::OpenMode m) {
    gPaths.push_back(p);
    return sOpen(p, m);
  };
  plat::ScopedServices scoped(table);

  const RunState state = Install(true, true, chosen);

  ASSERT_FALSE(gPaths.empty());
  for (const std::string& path : gPaths) {
    EXPECT_EQ(path.find("\\\\"), std::string::npos) << path;
  }
  EXPECT_EQ(state.log.at(1), " - " + home_ + "\\");
  EXPECT_EQ(state.log.at(2), " - " + home_ + "\\Sources");
  EXPECT_EQ(RecordedHome(), chosen + std::string(1, '\0')) << "recorded as chosen";
  ExpectLink(dirs_.DeskTopDir() + "\\Vorlex.lnk", home_ + "\\Vorlex.exe");
  EXPECT_TRUE(PathExists(home_ + "\\Sources\\sub\\b.h"));
}

TEST_F(InstallRun, HomeThatCannotBeMadeEndsTheRunWithTheMessageAndNothingMade) {
  MakePayload(true, true);
  PutPayloadFile("blocker", "a file where a folder should be");
  const std::string home = Payload() + "\\blocker\\Vorlex";
  const Picture before = Machine();

  const RunState state = Install(true, true, home);

  EXPECT_TRUE(state.closed);
  EXPECT_EQ(state.log, (std::vector<std::string>{"Create dir:", " - " + home}));
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].caption, "Error");
  EXPECT_EQ(LastUi().shown()[0].text, Line(7) + "\r\r" + home + "\r\r" + Line(8));
  EXPECT_EQ(RecordedHome(), std::nullopt);
  // Form destruction cleans the LWTEMP folder up, as after a cancelled wizard.
  EXPECT_EQ(Starts(), std::vector<std::string>{LwTemp() + "\\setup123.bat"});
  RunRecordedBatches();
  EXPECT_EQ(StrayChanges(before, Machine(),
                         {HostOf(LwTemp()).string(), (PayloadHost() / "setup.ini").string()}),
            std::vector<std::string>{});
}

TEST_F(InstallRun, FailedArchivesAndCopiesAreLoggedAndNamedInsteadOfSuccess) {
  MakePayload(false, false);
  fs::remove(PayloadHost() / "manual.zip");
  fs::remove(PayloadHost() / "Vorlex.ini");
  fs::remove(PayloadHost() / "vx01.zip");
  MakeZip("vx01.zip", {{"Vorlex.exe", std::string(5000, 'v')}}, "-0");
  std::string archive = FileBytes(Payload() + "\\vx01.zip");
  archive[30 + 10 + 100] ^= 0x55;  // a byte of the stored member's data
  PutPayloadFile("vx01.zip", archive);

  const RunState state = Install(false, false);

  EXPECT_EQ(state.log, (std::vector<std::string>{
                           "Create dir:", " - " + home_, " - " + home_ + "\\Sources",
                           " - " + home_ + "\\Manual", " - " + home_ + "\\Samples", "Prepare copy",
                           "Extract files", " - vx01", "CRC-Error!: vx01.zip", " - Sources",
                           " - Manual", "File not found: manual.zip", "File not found: Vorlex.ini",
                           "", "Update menu START"}));
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].caption, "Error");
  EXPECT_EQ(LastUi().shown()[0].text,
            RunTextOf(RunText::kInstallFailed) +
                "\rCRC-Error!: vx01.zip\rFile not found: manual.zip\rFile not found: Vorlex.ini");
  // The later steps still ran.
  EXPECT_EQ(RecordedHome(), home_ + std::string(1, '\0'));
  EXPECT_TRUE(PathExists(dirs_.StartMenuProgramsDir() + "\\Vorlex\\Uninstall.lnk"));
  EXPECT_TRUE(PathExists(home_ + "\\Sources\\a.c"));
  EXPECT_FALSE(PathExists(home_ + "\\Vorlex.exe")) << "the failed member's file is deleted";
}

TEST_F(InstallRun, CancelInTheDistributionFolderLeavesItsProgramAndSettings) {
  MakePayload(false, false);
  Program() = Payload() + "\\setup.exe";
  const Picture before = Machine();

  RunSetup(Payload(), [](TForm1& form) {
    form.Click(form.BitBtn5);
    form.Click(form.BitBtn3);
  });

  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].text, Line(24));
  const std::string batch = LwTemp() + "\\setup123.bat";
  EXPECT_EQ(FileBytes(batch), "rd " + LwTemp() + "\r\nErase \"" + batch + "\"\r\n");
  RunRecordedBatches();
  EXPECT_EQ(FileBytes(Payload() + "\\setup.exe"), "the distribution's setup program");
  EXPECT_TRUE(PathExists(Payload() + "\\setup.ini"));
  EXPECT_TRUE(PathExists(LwTemp()));
  EXPECT_EQ(StrayChanges(before, Machine(),
                         {HostOf(LwTemp()).string(), (PayloadHost() / "setup.ini").string()}),
            std::vector<std::string>{});
}

TEST_F(InstallRun, ShellFoldersTheSystemDoesNotNameGetNoLinks) {
  MakePayload(true, false);
  {
    auto key = plat::RegKey::Create(
        plat::Hive::kCurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    ASSERT_TRUE(key.ok());
    plat::RegSetString(key.value().get(), "Desktop", "");
    plat::RegSetString(key.value().get(), "Programs", "");
  }
  const Picture before = Machine();

  const RunState state = Install(true, true);

  EXPECT_TRUE(state.closed);
  // The box says plainly which shell folder the system does not name.
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].text, RunTextOf(RunText::kInstallFailed) + "\r" +
                                          RunTextOf(RunText::kNoDesktopFolder) + "\r" +
                                          RunTextOf(RunText::kNoProgramsFolder));
  EXPECT_TRUE(PathExists(dirs_.StartMenuDir() + "\\Vorlex.lnk"));
  EXPECT_FALSE(PathExists("C:\\Vorlex.lnk"));
  EXPECT_FALSE(PathExists("C:\\Vorlex"));
  EXPECT_EQ(
      StrayChanges(before, Machine(),
                   {HostOf(home_).string(), HostOf(dirs_.StartMenuDir() + "\\Vorlex.lnk").string(),
                    HostOf(LwTemp()).string(), (PayloadHost() / "setup.ini").string()}),
      std::vector<std::string>{});
}

TEST(ShortcutList, FieldsEndAtTheirSemicolonAndAMissingOneEmptiesTheRest) {
  const struct {
    const char* line;
    ShortcutLine fields;
  } cases[] = {
      {"\\a.exe;\\Sub;Name;", {"\\a.exe", "\\Sub", "Name"}},
      {"\\a.exe;\\Sub;Name;rest;of;it", {"\\a.exe", "\\Sub", "Name"}},
      {"\\a.exe;\\Sub;Name", {"\\a.exe", "\\Sub", ""}},
      {"\\a.exe;;Name;", {"\\a.exe", "", "Name"}},
      {"\\a.exe", {"", "", ""}},
      {"", {"", "", ""}},
      {";;;", {"", "", ""}},
  };
  for (const auto& c : cases) {
    const ShortcutLine fields = ParseShortcutLine(c.line);
    EXPECT_EQ(fields.target, c.fields.target) << c.line;
    EXPECT_EQ(fields.subfolder, c.fields.subfolder) << c.line;
    EXPECT_EQ(fields.name, c.fields.name) << c.line;
  }
}

TEST_F(InstallRun, ShortcutLinesThatLeaveTheGroupAreRefusedAndNamed) {
  MakePayload(false, false);
  // Lines whose subfolder or name would lead out of the program group or name a device.
  const std::vector<std::string> refused = {
      "\\Vorlex.exe;\\..\\StartUp;Autostart;",
      "\\Vorlex.exe;\\Tools/../../StartUp;Autostart;",
      "\\Vorlex.exe;/..;Up;",
      "\\Vorlex.exe;\\Tools;..\\..\\Escape;",
      "\\Vorlex.exe;\\Tools;../x;",
      "\\Vorlex.exe;\\Tools;a/b;",
      "\\Vorlex.exe;\\Tools\\.;Dot;",
      "\\Vorlex.exe;\\...;Dots;",
      "\\Vorlex.exe;\\Tools. ;Trimmed;",
      "\\Vorlex.exe;\\C:\\Windows;Drive;",
      "\\Vorlex.exe;\\Tools;x:stream;",
      "\\Vorlex.exe;\\NUL;Device;",
      "\\Vorlex.exe;\\Tools\\com1.txt;Device;",
      "\\Vorlex.exe;\\Tools;CON;",
      "\\Vorlex.exe;\\Tools;lpt9 ;",
      "\\Vorlex.exe;\\Tools;Wild*;",
      std::string("\\Vorlex.exe;\\Tools;Cut\0Short;", 29),
  };
  std::string list;
  for (const std::string& line : refused) list += line + "\n";
  // A subfolder without its leading "\" and one with "/" stay inside the group.
  list += "\\Vorlex.exe;\\Tools;Fine;\n\\Vorlex.exe;Tools;Bare;\n\\Vorlex.exe;\\Tools/Sub;Slash;\n";
  PutPayloadFile("short.txt", list);
  const Picture before = Machine();

  const RunState state = Install(false, false);

  const std::string group = dirs_.StartMenuProgramsDir() + "\\Vorlex";
  ExpectLink(group + "\\Tools\\Fine.lnk", home_ + "\\Vorlex.exe");
  EXPECT_EQ(Names(group + "\\Tools"), (std::vector<std::string>{"Bare.lnk", "Fine.lnk", "Sub"}));
  EXPECT_EQ(Names(group + "\\Tools\\Sub"), std::vector<std::string>{"Slash.lnk"});
  for (const std::string& line : refused) {
    EXPECT_EQ(std::count(state.log.begin(), state.log.end(), "short.txt: " + line), 1) << line;
  }
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].caption, "Error");
  EXPECT_EQ(StrayChanges(before, Machine(), Allowed()), std::vector<std::string>{});
}

// One platform call that fails deep in a step: the failing step is logged and named in the
// final box, the later steps still run, and the window closes.
struct DeepFault {
  const char* what;
  std::function<void(plat::Services&)> inject;
  std::string failureLine;  // the line naming it, in the log and in the box
  bool recorded;            // whether the record is written after it
};

plat::Services gNative;

TEST_F(InstallRun, AFailureDeepInAStepIsNamedAndTheRunGoesOnAndCloses) {
  const std::string home = dirs_.ProgramFilesDir() + "\\Vorlex";
  const std::string record = "Registry: HKEY_CURRENT_USER\\software\\Korb\\Vorlex";
  const DeepFault cases[] = {
      {"short.txt cannot be opened",
       [](plat::Services& t) {
         t.openFile = [](const std::string& path, plat::OpenMode mode) {
           if (path == "short.txt") return plat::Result<plat::Handle>::failure(plat::kAccessDenied);
           return gNative.openFile(path, mode);
         };
       },
       "short.txt: File access denied", true},
      {"the home folder cannot be made the current directory",
       [](plat::Services& t) {
         t.setCurrentDirectory = [](const std::string& path) {
           if (path.ends_with("\\Vorlex")) return std::uint32_t{plat::kAccessDenied};
           return gNative.setCurrentDirectory(path);
         };
       },
       "File access denied: " + home, true},
      {"the record's value cannot be set",
       [](plat::Services& t) {
         t.regSetString = [](plat::Handle, const std::string&, const std::string&) {
           return std::uint32_t{plat::kAccessDenied};
         };
       },
       record + ": Failed to set data for 'AppDir'", false},
      {"the link object cannot be made",
       [](plat::Services& t) {
         t.saveShellLink = [](const std::string& target, const std::string& folder,
                              const std::string& file) {
           if (!file.ends_with("Uninstall.lnk")) return gNative.saveShellLink(target, folder, file);
           plat::ShellLinkOutcome outcome;
           outcome.raisedError = "Class not registered";
           return outcome;
         };
       },
       "Link: " + dirs_.StartMenuProgramsDir() + "\\Vorlex\\Uninstall: Class not registered", true},
      {"closing a written file fails",
       [](plat::Services& t) {
         t.closeFile = [](plat::Handle file) {
           gNative.closeFile(file);
           return std::uint32_t{plat::kDiskFull};
         };
       },
       "File error : vx01.zip (" + setup::InOutErrorText(plat::kDiskFull) + ")", true},
  };
  for (const DeepFault& fault : cases) {
    SCOPED_TRACE(fault.what);
    MakePayload(true, false);
    Erase(home);
    Erase(dirs_.StartMenuProgramsDir() + "\\Vorlex");
    TInstallRecord record;
    record.RProg = "Vorlex";
    record.DeleteRecord();
    gNative = plat::services();
    plat::Services table = gNative;
    fault.inject(table);
    std::optional<plat::ScopedServices> scoped(table);

    const RunState state = Install(true, true);
    scoped.reset();

    EXPECT_TRUE(state.closed);
    EXPECT_NE(std::find(state.log.begin(), state.log.end(), fault.failureLine), state.log.end());
    // The failure box comes first (a close that fails everywhere also fails the batch).
    ASSERT_GE(LastUi().shown().size(), 1u);
    EXPECT_EQ(LastUi().shown()[0].caption, "Error");
    EXPECT_NE(LastUi().shown()[0].text.find(RunTextOf(RunText::kInstallFailed) + "\r"),
              std::string::npos);
    EXPECT_NE(LastUi().shown()[0].text.find("\r" + fault.failureLine), std::string::npos);
    // The later steps ran: the links after the step, and the record.
    EXPECT_TRUE(PathExists(dirs_.StartMenuProgramsDir() + "\\Vorlex\\Vorlex.lnk"));
    EXPECT_TRUE(PathExists(home + "\\setup.ini"));
    EXPECT_EQ(RecordedHome() == home + std::string(1, '\0'), fault.recorded);
  }
}

// Started from the distribution folder, the program has nothing of its own to erase: a
// machine without the LWTEMP folder gets no batch and no error.
TEST_F(InstallRun, NoLwTempFolderAndNothingToEraseEndsWithTheFinalMessageOnly) {
  MakePayload(false, false);
  Erase(LwTemp());
  Program() = Payload() + "\\setup.exe";

  const RunState state = Install(false, false);

  EXPECT_TRUE(state.closed);
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].text, Line(25));
  EXPECT_EQ(RecordedHome(), home_ + std::string(1, '\0'));
  EXPECT_FALSE(PathExists(LwTemp()));
  EXPECT_TRUE(Starts().empty());
}

TEST_F(InstallRun, ExistingHomeDirectoryIsReusedAndItsFilesReplaced) {
  MakePayload(false, false);
  MakeFolders(home_ + "\\sources");
  PutFile(home_ + "\\Vorlex.exe", "an older program");
  PutFile(home_ + "\\setup.ini", "[ALL]\r\n");
  PutFile(home_ + "\\sources\\a.c", "old");
  PutFile(home_ + "\\mine.txt", "the user's own file");

  const RunState state = Install(false, false);

  EXPECT_TRUE(state.closed);
  EXPECT_EQ(LastUi().shown().at(0).text, Line(25));
  EXPECT_EQ(FileBytes(home_ + "\\Vorlex.exe").size(), 300000u);
  EXPECT_EQ(FileBytes(home_ + "\\setup.ini"),
            Cp("[ALL]\r\nLabel8_Caption=Probíhá instalace programu\r\n"));
  EXPECT_EQ(FileBytes(home_ + "\\Sources\\a.c"), "int a;\n");
  EXPECT_EQ(FileBytes(home_ + "\\mine.txt"), "the user's own file");
  EXPECT_EQ(Names(home_ + "\\Sources").size(), 2u) << "one folder whatever the letter case";
}

// The command line: every switch in both letter cases, /D= as the rest of the line, and the
// lines that are refused with the reason the usage box shows.
TEST(CommandLine, SwitchesAreReadAsTheTableSays) {
  struct Case {
    std::string line;
    std::string error;  // empty: understood
    bool silent = false, uninstall = false;
    std::string folder = {}, log = {};
  };
  const std::string needsFolder = "/D= needs a full folder path, such as /D=C:\\Apps\\Vorlex";
  const std::string needsSilent = "/D= and /LOG= go with /S";
  const Case cases[] = {
      {"", ""},
      {" \t ", ""},
      {"/S", "", true},
      {"/s", "", true},
      {"/U", "", false, true},
      {"/u /S", "", true, true},
      {"/S /S", "", true},
      {"/S /D=C:\\Apps\\Vorlex Test", "", true, false, "C:\\Apps\\Vorlex Test"},
      {"/S /d=C:\\Apps\\Vorlex  Test \t", "", true, false, "C:\\Apps\\Vorlex  Test"},
      {"/S /D=\"C:\\Apps\\Vorlex Test\"", "", true, false, "C:\\Apps\\Vorlex Test"},
      {"/S \"/D=C:\\Apps\\Vorlex Test\" ", "", true, false, "C:\\Apps\\Vorlex Test"},
      {"/S /D=\\\\server\\share\\Vorlex", "", true, false, "\\\\server\\share\\Vorlex"},
      {"/S /D=C:\\A /U", "", true, false, "C:\\A /U"},  // the rest of the line
      {"/S /LOG=C:\\log.txt /U", "", true, true, "", "C:\\log.txt"},
      {"\"/S\" \"/LOG=C:\\my logs\\setup.log\"", "", true, false, "", "C:\\my logs\\setup.log"},
      {"/S /log=setup.log", "", true, false, "", "setup.log"},
      {"/S /D=Vorlex", needsFolder},
      {"/S /D=C:Vorlex", needsFolder},
      {"/S /D=\\Vorlex", needsFolder},
      {"/S /D=", needsFolder},
      {"/S /D=C:\\a\"b", needsFolder},
      {"/D=C:\\Vorlex", needsSilent},
      {"/LOG=C:\\x.log", needsSilent},
      {"/U /D=C:\\Vorlex /S", needsSilent},  // /S is then part of the folder
      {"/S /LOG=", "Unknown switch: /LOG="},
      {"/X", "Unknown switch: /X"},
      {"/SS", "Unknown switch: /SS"},
      {"/S install", "Unknown switch: install"},
      {"/?", "Unknown switch: /?"},
      {"/S \"/U", "A quote is not closed: /U"},
  };
  for (const Case& c : cases) {
    const ParsedCommandLine parsed = ParseCommandLine(c.line);
    EXPECT_EQ(parsed.error, c.error) << c.line;
    if (!parsed.ok()) {
      EXPECT_EQ(UsageText(parsed.error).substr(0, c.error.size() + 2), c.error + "\r\r");
      continue;
    }
    EXPECT_EQ(parsed.options.silent, c.silent) << c.line;
    EXPECT_EQ(parsed.options.uninstall, c.uninstall) << c.line;
    EXPECT_EQ(parsed.options.folder, c.folder) << c.line;
    EXPECT_EQ(parsed.options.log, c.log) << c.line;
  }

  // The Windows entry's arguments follow the program name; the Linux entry's are joined.
  const std::pair<std::string, std::string> whole[] = {
      {"setup.exe", ""},
      {"setup.exe /S", "/S"},
      {"  \"C:\\Program Files\\Vorlex\\setup.exe\"  /U /S", "/U /S"},
      {"\"C:\\a b\\setup.exe\"/S", ""},
      {"\"C:\\no end", ""},
  };
  for (const auto& [line, arguments] : whole) EXPECT_EQ(ArgumentsOf(line), arguments) << line;
  const std::pair<std::vector<std::string>, std::string> vectors[] = {
      {{}, ""},
      {{"/S", "/D=C:\\Apps\\Vorlex Test"}, "/S /D=C:\\Apps\\Vorlex Test"},
      {{"/S", "/D=C:\\Apps\\Vorlex", "Test"}, "/S /D=C:\\Apps\\Vorlex Test"},
      {{"/S", "/LOG=C:\\my log.txt"}, "/S \"/LOG=C:\\my log.txt\""},
  };
  for (const auto& [argv, line] : vectors) EXPECT_EQ(JoinArguments(argv), line) << line;
  EXPECT_EQ(ParseCommandLine(JoinArguments({"/S", "/LOG=C:\\my log.txt"})).options.log,
            "C:\\my log.txt");
}

// /S: no window; the wizard's start values with /D= as the home, the log file with the
// progress page's lines and the outcome. /U /S started elsewhere: the uninstall in the
// program's own folder, without a question. A home that cannot be made: exit code 1 and the
// reason in the log.
TEST_F(InstallRun, UnattendedInstallAndUninstallShowNothingAndLogTheOutcome) {
  MakePayload(false, false);
  const std::string home = dirs_.ProgramFilesDir() + "\\Apps\\Vorlex Test";
  const std::string log = NormalizePath(plat::TempPath().value_or({}) + "\\Vorlex-setup.log");
  MakeFolders(In("elsewhere"));
  const Picture before = Machine();

  EXPECT_EQ(RunUnattendedSetup(Payload(), {"/S", "/D=" + home}), 0);
  EXPECT_EQ(FileBytes(home + "\\Vorlex.exe").size(), 300000u);
  EXPECT_EQ(RecordedHome(), home + std::string(1, '\0'));
  ExpectLink(dirs_.StartMenuProgramsDir() + "\\Vorlex\\Uninstall.lnk", home + "\\setup.exe");
  EXPECT_FALSE(PathExists(dirs_.DeskTopDir() + "\\Vorlex.lnk"));  // the places start unticked
  EXPECT_EQ(FileBytes(log), "Vorlex Setup 2.12: install\r\nCreate dir:\r\n - " + home + "\r\n - " +
                                home + "\\Sources\r\n - " + home + "\\Manual\r\n - " + home +
                                "\\Samples\r\nPrepare copy\r\nExtract files\r\n - vx01\r\n"
                                " - Sources\r\n - Manual\r\n\r\nUpdate menu START\r\n"
                                "[Information] " +
                                Line(25) + "\r\nDone (exit code 0).\r\n");
  {
    auto entry = plat::RegKey::Open(plat::Hive::kCurrentUser, kAppsEntryKey);
    ASSERT_TRUE(entry.ok());
    EXPECT_EQ(plat::RegQueryValue(entry.value().get(), "QuietUninstallString").value_or({}).data,
              "\"" + home + "\\setup.exe\" /U /S" + std::string(1, '\0'));
  }
  RunRecordedBatches();

  Program() = home + "\\setup.exe";
  EXPECT_EQ(RunUnattendedSetup(In("elsewhere"), {"/U", "/S", "/LOG=" + In("elsewhere\\quiet.log")}),
            0);
  RunRecordedBatches();
  EXPECT_FALSE(PathExists(home));
  EXPECT_EQ(RecordedHome(), std::nullopt);
  EXPECT_FALSE(plat::RegKey::Open(plat::Hive::kCurrentUser, kAppsEntryKey).ok());
  EXPECT_EQ(FileBytes(In("elsewhere\\quiet.log")),
            "Vorlex Setup 2.12: uninstall\r\n" + Line(26) + " " + home + " " + Line(27) + "\r\n" +
                Line(28) + "\r\nYes\r\n[Vorlex Setup] " + Line(29) + "\r\nDone (exit code 0).\r\n");
  EXPECT_FALSE(PathExists(In("elsewhere\\setup.ini")));

  PutPayloadFile("blocker", "a file where a folder should be");
  const std::string blocked = Payload() + "\\blocker\\Vorlex";
  EXPECT_EQ(RunUnattendedSetup(Payload(), {"/s", "/d=" + blocked}), 1);
  const std::string text = FileBytes(log);
  EXPECT_NE(text.find("[Error] " + Line(7) + "\r\n\r\n" + blocked + "\r\n\r\n" + Line(8)),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with("\r\nFailed (exit code 1).\r\n")) << text;
  RunRecordedBatches();

  std::vector<std::string> allowed = Allowed();
  allowed.push_back(HostOf(log).string());
  allowed.push_back(HostOf(In("elsewhere\\quiet.log")).string());
  allowed.push_back((PayloadHost() / "blocker").string());
  allowed.push_back(HostOf(dirs_.ProgramFilesDir() + "\\Apps").string());
  EXPECT_EQ(StrayChanges(before, Machine(), allowed), std::vector<std::string>{});
}

}  // namespace
}  // namespace setup::testing
