// Program start: the mode decision, the LWTEMP folder, the override file name, the
// single-instance lock between two real processes, the painted background and the centring
// of the page control.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "install/paths.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/shell/shell_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace setup::test {
namespace {

class StartupTest : public ShellTest {};

TEST_F(StartupTest, PayloadArchiveChoosesInstallModeAndItsAbsenceUninstallMode) {
  AddPayloadArchive();
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.pages.ActivePageIndex(), kPortal);
    EXPECT_EQ(form.FormStorage1.IniFileName(), form.SourceFolder + "\\setup.ini");
    form.Click(form.BitBtn12);  // not on the shown page
    EXPECT_FALSE(form.Closed());
    PrepareLwTemp(form);
    form.Click(form.Storno);
  });
}

TEST_F(StartupTest, AFolderNamedLikeTheArchiveIsNoPayload) {
  fs::create_directory(Payload() / "VX01.ZIP");
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.pages.ActivePageIndex(), kUninstallPage);
    form.Click(form.BitBtn12);
  });
}

TEST_F(StartupTest, StartUpFillsTheWindowStateInOrder) {
  AddPayloadArchive();
  ui_.screen = {2560, 1080};
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_FALSE(form.SourceFolder.empty());
    EXPECT_NE(form.SourceFolder.back(), '\\');
    const std::string temp = plat::TempPath().value_or({});
    EXPECT_EQ(form.LwTempFolder, NormalizePath(temp + "LWTEMP"));
    EXPECT_EQ(plat::FileAttributes(form.LwTempFolder).error, plat::kFileNotFound);  // not made
    EXPECT_EQ(form.Left, 0);
    EXPECT_EQ(form.Top, 0);
    EXPECT_EQ(form.Width, 2560);
    EXPECT_EQ(form.Height, 1080);
    EXPECT_EQ(form.RegInfo.RHomeDir, "c:\\Vorlex");  // no record yet; no move made
    EXPECT_TRUE(form.Lock.has_value());
    form.Click(form.BitBtn12);
  });
}

// The start-up paths that depend on what the system reports, with the system's answer
// replaced: a drive root as the working folder and a temp path with or without its
// trailing backslash.
struct StubbedAnswers {
  static std::string& Current() {
    static std::string value;
    return value;
  }
  static std::string& Temp() {
    static std::string value;
    return value;
  }
};

TEST_F(StartupTest, DriveRootWorkingFolderAndTempPathsGiveSingleSeparators) {
  for (const char* temp : {"C:\\TEMP\\", "C:\\TEMP", "C:\\TEMP\\\\"}) {
    StubbedAnswers::Current() = "C:\\";
    StubbedAnswers::Temp() = temp;
    plat::Services table = plat::services();
    table.currentDirectory = [] {
      return plat::Result<std::string>{StubbedAnswers::Current(), plat::kOk};
    };
    table.tempPath = [] { return plat::Result<std::string>{StubbedAnswers::Temp(), plat::kOk}; };
    plat::ScopedServices scope(table);
    ui::NullUi ui;
    TForm1 form(ui);
    ASSERT_EQ(form.FormCreate(), StartOutcome::kRun);
    EXPECT_EQ(form.SourceFolder, "C:\\");
    EXPECT_EQ(form.LwTempFolder, "C:\\TEMP\\LWTEMP") << temp;
    EXPECT_EQ(form.FormStorage1.IniFileName(), "C:\\setup.ini");
    EXPECT_EQ(form.pages.ActivePageIndex(), kUninstallPage);
    // The archive is looked for at C:\vx01.zip.
    { plat::File archive = plat::File::Open("C:\\vx01.zip", plat::OpenMode::kCreate).value_or({}); }
    TForm1 second(ui);
    form.ReleaseLock();
    ASSERT_EQ(second.FormCreate(), StartOutcome::kRun);
    EXPECT_EQ(second.pages.ActivePageIndex(), kPortal);
    EXPECT_EQ(plat::DeleteFile("C:\\vx01.zip"), plat::kOk);
  }
}

TEST_F(StartupTest, UnreadableRecordIsReportedAndStartUpGoesOn) {
  {
    auto key = plat::RegKey::Create(plat::Hive::kCurrentUser, "\\software\\Korb\\Vorlex");
    ASSERT_TRUE(key.ok());
  }
  plat::Services table = plat::services();
  table.regQueryValue = [](plat::Handle key, const std::string& name) {
    if (name != "AppDir") return plat::NativeServices().regQueryValue(key, name);
    return plat::Result<plat::RegValue>{{plat::kRegDword, std::string("\x01\0\0\0", 4)}, plat::kOk};
  };
  plat::ScopedServices scope(table);
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.Directory.Items.Count(), 4);
    EXPECT_EQ(form.FormStorage1.IniFileName(), form.SourceFolder + "\\setup.ini");
    form.Click(form.BitBtn12);
  });
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].flags, ui::MB_ICONERROR | ui::MB_OK);
  EXPECT_EQ(ui_.shown()[0].caption, kBoxCaption);
  EXPECT_EQ(ui_.shown()[0].text, "Invalid data type for 'AppDir'");
}

TEST_F(StartupTest, SystemFoldersOfTheWrongTypeEndTheProgramWithTheErrorReport) {
  plat::Services table = plat::services();
  table.regQueryValue = [](plat::Handle key, const std::string& name) {
    if (name != "Desktop") return plat::NativeServices().regQueryValue(key, name);
    return plat::Result<plat::RegValue>{{plat::kRegBinary, "x"}, plat::kOk};
  };
  plat::ScopedServices scope(table);
  EXPECT_EQ(RunEndingAtStart(), 1);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, "Invalid data type for 'Desktop'");
  EXPECT_EQ(ui_.shown()[0].flags, 16u);
}

TEST_F(StartupTest, FirstShowMaximisesAlsoWhenSetupIniAsksForMinimisedWhichComesAfter) {
  WriteAll(Payload() / "setup.ini", "[ALL]\r\nShowCmd=2\r\nNormPos=5,7,100,100\r\n");
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.WindowState, ui::TWindowState::kMaximized);
    EXPECT_TRUE(form.MinimizeAfterShow);
    EXPECT_EQ(form.Left, 5);
    EXPECT_EQ(form.Top, 7);
    EXPECT_EQ(form.Width, 1024);  // the window keeps its size
    form.Click(form.BitBtn12);
  });
}

TEST_F(StartupTest, UnwritableSetupIniIsReportedAtCloseAndOnceMoreAtDestruction) {
  plat::Services table = plat::services();
  table.profileWriteString = [](const std::string&, const std::optional<std::string>&,
                                const std::optional<std::string>&,
                                const std::string&) { return std::uint32_t{plat::kAccessDenied}; };
  plat::ScopedServices scope(table);
  std::string ini;
  const int code = Run([&](TForm1& form, ui::TForm2&) {
    ini = form.FormStorage1.IniFileName();
    form.Click(form.BitBtn12);
    EXPECT_TRUE(form.Closed());
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(ui_.shown().size(), 2u);
  for (const ui::Shown& shown : ui_.shown()) {
    EXPECT_EQ(shown.text, "Unable to write to " + ini + ".");
    EXPECT_EQ(shown.flags, ui::MB_ICONERROR | ui::MB_OK);
  }
}

struct MutexCounts {
  static int& Closed() {
    static int count = 0;
    return count;
  }
};

TEST_F(StartupTest, TakenLockShowsTheBuiltInLine31AndEndsWithCode3WithoutTouchingSetupIni) {
  const std::string ini = "[ALL.Memo6_Lines]\r\nCount=32\r\nItem31=jiny text\r\n";
  WriteAll(Payload() / "setup.ini", ini);
  MutexCounts::Closed() = 0;
  plat::Services table = plat::services();
  table.createNamedMutex = [](const std::string& name) {
    EXPECT_EQ(name, "SETUPMain987EXE");
    return plat::MutexResult{7, plat::kAlreadyExists};
  };
  table.closeMutex = [](plat::Handle handle) {
    EXPECT_EQ(handle, 7);
    ++MutexCounts::Closed();
  };
  plat::ScopedServices scope(table);
  EXPECT_EQ(RunEndingAtStart(), 3);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].kind, ui::Shown::Kind::kMessageBox);
  EXPECT_EQ(ui_.shown()[0].text, Cp("Instalace byla už spuštěna!"));
  EXPECT_EQ(ui_.shown()[0].caption, "Vorlex Setup");
  EXPECT_EQ(ui_.shown()[0].flags, 16u);
  EXPECT_EQ(MutexCounts::Closed(), 1);
  EXPECT_EQ(ReadText(Payload() / "setup.ini"), ini);
}

TEST_F(StartupTest, LockIsReleasedExactlyOnceAlsoAfterAnEarlyRelease) {
  MutexCounts::Closed() = 0;
  plat::Services table = plat::services();
  table.createNamedMutex = [](const std::string&) { return plat::MutexResult{9, plat::kOk}; };
  table.closeMutex = [](plat::Handle) { ++MutexCounts::Closed(); };
  plat::ScopedServices scope(table);
  Run([&](TForm1& form, ui::TForm2&) {
    form.ReleaseLock();
    EXPECT_EQ(MutexCounts::Closed(), 1);
    form.Click(form.BitBtn12);
  });
  EXPECT_EQ(MutexCounts::Closed(), 1);
  Run([&](TForm1& form, ui::TForm2&) { form.Click(form.BitBtn12); });
  EXPECT_EQ(MutexCounts::Closed(), 2);
}

int RunCommand(const std::string& command) {
#ifdef _WIN32
  // cmd /c drops the outer pair of quotes when the line starts with one.
  return std::system(("\"" + command + "\"").c_str());
#else
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

TEST_F(StartupTest, SecondCopyInAnotherProcessEndsWithCode3AndLeavesTheFirstAlone) {
  AddPayloadArchive();
  const std::string ini = "[ALL.Memo6_Lines]\r\nCount=32\r\nItem31=jiny text\r\n";
  WriteAll(Payload() / "setup.ini", ini);
  const fs::path output = Root() / "second.txt";
  int childCode = -1;
  Run([&](TForm1& form, ui::TForm2&) {
    const std::string command =
        "\"" + SelfPath().string() + "\" --second-copy > \"" + output.string() + "\"";
    childCode = RunCommand(command);
    EXPECT_TRUE(form.Lock.has_value());
    EXPECT_EQ(ReadText(Payload() / "setup.ini"), ini);
    EXPECT_EQ(form.MessageLine(Msg::kAlreadyRunning),
              "jiny text");  // the first copy's own table is overridden
    form.Click(form.BitBtn12);
  });
  EXPECT_EQ(childCode, 3);
  std::string line;
  std::istringstream lines(ReadText(output));
  std::vector<std::string> boxes;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    boxes.push_back(line);
  }
  EXPECT_EQ(boxes, (std::vector<std::string>{"Vorlex Setup|16|" +
                                             Hex(Cp("Instalace byla už spuštěna!"))}));

  // Once the first copy has ended, a new start takes the lock.
  EXPECT_EQ(
      RunCommand("\"" + SelfPath().string() + "\" --second-copy > \"" + output.string() + "\""),
      99);
}

TEST_F(StartupTest, PaintOfClientHeight100GivesOnePixelBandsFromBlueDown) {
  TForm1 form(ui_);
  const std::vector<PaintBand> bands = form.FormPaint(640, 100);
  ASSERT_EQ(bands.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(bands[i].rect, (ui::TRect{0, i, 640, i + 1}));
    EXPECT_EQ(bands[i].color, (ui::TColor{0, 0, static_cast<std::uint8_t>(255 - i)}));
  }
  // Bands 0 to 99 are inside the client area: blue 255 down to 156.
  EXPECT_EQ(bands[99].color.b, 156);
  EXPECT_GE(bands[100].rect.top, 100);
}

TEST_F(StartupTest, PaintOfClientHeight600GivesThreePixelBandsWhoseLastVisibleIs199) {
  TForm1 form(ui_);
  const std::vector<PaintBand> bands = form.FormPaint(800, 600);
  ASSERT_EQ(bands.size(), 256u);
  EXPECT_EQ(bands[0].rect, (ui::TRect{0, 0, 800, 3}));
  EXPECT_EQ(bands[0].color, (ui::TColor{0, 0, 255}));
  EXPECT_EQ(bands[199].rect, (ui::TRect{0, 597, 800, 600}));
  EXPECT_EQ(bands[199].color.b, 56);
  EXPECT_EQ(bands[200].rect.top, 600);
  EXPECT_EQ(bands[255].color, (ui::TColor{0, 0, 0}));
  EXPECT_EQ(form.FormPaint(800, 256)[255].rect, (ui::TRect{0, 255, 800, 256}));
  EXPECT_EQ(form.FormPaint(800, 257)[0].rect.bottom, 2);
}

TEST_F(StartupTest, ResizeCentresThePageControlOnTheOuterSizeTruncatingTowardZero) {
  TForm1 form(ui_);
  const struct {
    int width, height, left, top;
  } cases[] = {{1024, 768, 281, 257},
               {1023, 767, 280, 256},
               {462, 254, 0, 0},
               {400, 200, -31, -27},
               {401, 201, -30, -26}};
  for (const auto& c : cases) {
    form.Width = c.width;
    form.Height = c.height;
    form.FormResize();
    EXPECT_EQ(form.pages.Left, c.left) << c.width;
    EXPECT_EQ(form.pages.Top, c.top) << c.height;
    EXPECT_EQ(form.pages.Width, 462);
    EXPECT_EQ(form.pages.Height, 254);
  }
  EXPECT_EQ(ui_.invalidated(), 5);
}

}  // namespace
}  // namespace setup::test
