// The install wizard and the uninstall page driven as a user drives them, through the null
// view: navigation, the directory picker, the icon places, the summary, and the two ways out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/paths.h"
#include "platform/files.h"
#include "tests/shell/shell_support.h"

namespace setup::test {
namespace {

using Lines = std::vector<std::string>;

// The summary with the built-in message lines for `home` and the given icon places.
Lines Summary(const std::string& home, bool desktop, bool start) {
  Lines lines = {"      Installation of  Vorlex", "Program place: -" + home, "",
                 "Icon place:", " - START/PROGRAMY/Vorlex"};
  if (desktop) lines.push_back(" - Desktop");
  if (start) lines.push_back(" - START");
  lines.insert(lines.end(), {"", "When you press Finish Installation will be start", ""});
  return lines;
}

class WizardTest : public ShellTest {};

TEST_F(WizardTest, InstallModeOffersTheFourDestinationsAndWalksThePagesByTheirTags) {
  AddPayloadArchive();
  const int code = Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.pages.ActivePageIndex(), kPortal);
    EXPECT_EQ(form.WindowState, ui::TWindowState::kMaximized);
    EXPECT_FALSE(form.CleanUp);
    const std::string first = NormalizePath(form.SystemDirs1.ProgramFilesDir() + "\\Vorlex");
    EXPECT_EQ(form.Directory.Items.Lines(),
              (Lines{first, "C:\\Vorlex", NormalizePath(form.SystemDirs1.DeskTopDir() + "\\Vorlex"),
                     "......."}));
    EXPECT_EQ(form.Directory.ItemIndex, 0);
    EXPECT_EQ(form.Directory.Text, first);

    const std::vector<std::pair<ui::TBitBtn*, int>> walk = {
        {&form.BitBtn5, kDirPage},  {&form.BitBtn1, kPortal},      {&form.BitBtn5, kDirPage},
        {&form.BitBtn2, kIconPage}, {&form.BitBtn8, kInstallPage}, {&form.BitBtn10, kIconPage},
        {&form.BitBtn7, kDirPage},  {&form.BitBtn2, kIconPage},    {&form.BitBtn8, kInstallPage}};
    for (const auto& [button, page] : walk) {
      form.Click(*button);
      EXPECT_EQ(form.pages.ActivePageIndex(), page) << button->Name;
      EXPECT_TRUE(form.CleanUp) << button->Name;
    }
    EXPECT_EQ(form.RegInfo.RHomeDir, first);
    EXPECT_EQ(form.Memo1.Lines.Lines(), Summary(first, false, false));

    // Buttons of pages that are not shown do nothing.
    form.Click(form.BitBtn5);
    form.Click(form.BitBtn12);
    EXPECT_EQ(form.pages.ActivePageIndex(), kInstallPage);
    EXPECT_FALSE(form.Closed());

    PrepareLwTemp(form);
    form.Click(form.BitBtn6);
    EXPECT_TRUE(form.Closed());
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].kind, ui::Shown::Kind::kMessageDialog);
  EXPECT_EQ(ui_.shown()[0].caption, "Information");
  EXPECT_EQ(ui_.shown()[0].text, Cp("Instalace byla zrušena"));
  // Leaving the wizard after a button press starts the self-removal batch, once.
  ASSERT_EQ(HiddenStarts().size(), 1u);
  EXPECT_NE(HiddenStarts()[0].find("setup123.bat"), std::string::npos);
}

TEST_F(WizardTest, PickerOkReplacesTheDotsAndCancelFallsBackToTheFirstEntry) {
  AddPayloadArchive();
  ui_.QueuePick(ui::ModalResult::kOK, "D:\\");
  ui_.QueuePick(ui::ModalResult::kCancel);
  ui_.QueuePick(ui::ModalResult::kOK, "C:\\Work\\Tools");
  ui_.QueuePick(ui::ModalResult::kNone);
  Run([&](TForm1& form, ui::TForm2& picker) {
    EXPECT_EQ(picker.dirtree.Directory, form.SourceFolder);
    EXPECT_EQ(picker.Label1.Caption, "C:");
    form.Click(form.BitBtn5);

    form.ChooseDirectory(3);  // the root of drive D
    EXPECT_EQ(form.Directory.ItemIndex, 3);
    EXPECT_EQ(form.Directory.Items[3], "D:\\Vorlex");
    EXPECT_EQ(form.Directory.Text, "D:\\Vorlex");
    EXPECT_EQ(form.RegInfo.RHomeDir, "D:\\Vorlex");
    EXPECT_EQ(form.Memo1.Lines[1], "Program place: -D:\\Vorlex");
    EXPECT_EQ(picker.Label1.Caption, "D:\\");

    form.ChooseDirectory(2);
    EXPECT_EQ(form.Directory.ItemIndex, 2);
    form.ChooseDirectory(3);  // cancelled: entry 0, not the entry chosen before
    EXPECT_EQ(form.Directory.ItemIndex, 0);
    EXPECT_EQ(form.Directory.Items[3], "D:\\Vorlex");
    EXPECT_EQ(form.RegInfo.RHomeDir, form.Directory.Items[0]);

    form.ChooseDirectory(3);  // a folder deeper down
    EXPECT_EQ(form.Directory.Items[3], "C:\\Work\\Tools\\Vorlex");
    EXPECT_EQ(form.Directory.ItemIndex, 3);

    form.ChooseDirectory(3);  // closed without a button: as Cancel
    EXPECT_EQ(form.Directory.ItemIndex, 0);
    EXPECT_EQ(picker.dirtree.Directory, "C:\\Work\\Tools");  // the tree keeps its selection

    form.Click(form.BitBtn2);
    form.Click(form.BitBtn8);
    EXPECT_EQ(form.Memo1.Lines.Lines(), Summary(form.Directory.Items[0], false, false));
    PrepareLwTemp(form);
    form.Click(form.BitBtn6);
  });
  EXPECT_TRUE(ui_.ScriptDone());
  std::vector<ui::Shown::Kind> kinds;
  for (const ui::Shown& shown : ui_.shown()) kinds.push_back(shown.kind);
  EXPECT_EQ(kinds, (std::vector<ui::Shown::Kind>{ui::Shown::Kind::kPicker, ui::Shown::Kind::kPicker,
                                                 ui::Shown::Kind::kPicker, ui::Shown::Kind::kPicker,
                                                 ui::Shown::Kind::kMessageDialog}));
  EXPECT_EQ(ui_.shown()[0].caption, "Directory");
}

TEST(PickerTest, ButtonsAndDoubleClickCloseItWithTheirResultsAndTheLabelFollowsTheTree) {
  ui::TForm2 picker("Z:\\payload");
  EXPECT_EQ(picker.dirtree.Directory, "Z:\\payload");
  EXPECT_EQ(picker.Label1.Caption, "C:");
  picker.dirtreeChange("C:\\Program Files");
  EXPECT_EQ(picker.Label1.Caption, "C:\\Program Files");
  picker.BitBtn1.OnClick();
  EXPECT_EQ(picker.Result, ui::ModalResult::kCancel);
  picker.dirtreeDblClick();
  EXPECT_EQ(picker.Result, ui::ModalResult::kOK);
  EXPECT_EQ(picker.BitBtn2.Caption, "OK");
  EXPECT_EQ(picker.BitBtn1.Caption, "Cancel");
}

TEST_F(WizardTest, SummaryFollowsTheTickedIconPlacesLineByLine) {
  AddPayloadArchive();
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.ProgIcon.Items.Lines(), (Lines{"Na plochu", Cp("Do hlavní nabídky START")}));
    EXPECT_FALSE(form.ProgIcon.Checked(0));
    EXPECT_FALSE(form.ProgIcon.Checked(1));
    form.Click(form.BitBtn5);
    form.ChooseDirectory(1);
    form.Click(form.BitBtn2);
    const std::string home = "C:\\Vorlex";

    form.ToggleIcon(0);
    form.ToggleIcon(1);
    EXPECT_EQ(form.Memo1.Lines.Lines(), Summary(home, true, true));
    EXPECT_EQ(form.Memo1.Lines.Count(), 10);
    form.ToggleIcon(0);
    EXPECT_EQ(form.Memo1.Lines.Lines(), Summary(home, false, true));
    form.ToggleIcon(1);
    EXPECT_EQ(form.Memo1.Lines.Count(), 8);

    // Ticks made through the list alone still reach page 4: every move rebuilds the summary.
    form.ProgIcon.SetChecked(0, true);
    form.Click(form.BitBtn8);
    EXPECT_EQ(form.Memo1.Lines.Lines(), Summary(home, true, false));
    EXPECT_EQ(form.RegInfo.RHomeDir, home);
    form.ToggleIcon(1);  // not on the icon page: ignored
    EXPECT_FALSE(form.ProgIcon.Checked(1));

    PrepareLwTemp(form);
    form.Click(form.BitBtn6);
  });
}

TEST_F(WizardTest, CancelOnTheFirstPageSavesTheTextsAndStartsTheSelfRemoval) {
  AddPayloadArchive();
  Run([&](TForm1& form, ui::TForm2&) {
    PrepareLwTemp(form);
    form.Click(form.Storno);
    EXPECT_TRUE(form.CleanUp);
    EXPECT_TRUE(form.Closed());
  });
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, Cp("Instalace byla zrušena"));
  EXPECT_EQ(HiddenStarts().size(), 1u);
  const std::string ini = ReadText(Payload() / "setup.ini");
  EXPECT_NE(ini.find("[ALL]"), std::string::npos);
  EXPECT_NE(ini.find("Visible=0"), std::string::npos);
}

// The program file is reported in LWTEMP here, so the batch has work: the folder is made.
TEST_F(WizardTest, ExitWithoutALwTempFolderMakesItForTheBatch) {
  AddPayloadArchive();
  const int code = Run([&](TForm1& form, ui::TForm2&) {
    form.Click(form.BitBtn5);
    form.Click(form.BitBtn3);
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, Cp("Instalace byla zrušena"));
  EXPECT_EQ(HiddenStarts().size(), 1u);
}

TEST_F(WizardTest, CancelMessageFollowsAnOverriddenMessageTable) {
  AddPayloadArchive();
  std::string ini = "[ALL]\r\nLabel1_Caption=Kam\r\n[ALL.Memo6_Lines]\r\nCount=10\r\n";
  for (int i = 0; i < 10; ++i)
    ini += "Item" + std::to_string(i) + "=m" + std::to_string(i) + "\r\n";
  WriteAll(Payload() / "setup.ini", ini);
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.Label1.Caption, "Kam");
    EXPECT_EQ(form.Memo6.Lines.Count(), 10);
    form.Click(form.BitBtn5);
    EXPECT_EQ(form.Memo1.Lines[0], "m0");
    EXPECT_EQ(form.Memo1.Lines[1], "m1" + form.Directory.Items[0]);
    PrepareLwTemp(form);
    form.Click(form.BitBtn3);
  });
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, "");  // line 24 lies past the end of the table
}

TEST_F(WizardTest, UninstallModeLeavesWithStornoWithoutAMessageOrARemoval) {
  WriteAll(Payload() / "Vorlex.ini", "keep");
  const int code = Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.pages.ActivePageIndex(), kUninstallPage);
    form.Click(form.BitBtn5);  // a wizard button is not reachable from page 6
    EXPECT_EQ(form.pages.ActivePageIndex(), kUninstallPage);
    form.Click(form.BitBtn12);
    EXPECT_TRUE(form.Closed());
    EXPECT_FALSE(form.CleanUp);
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(ui_.shown().empty());
  EXPECT_TRUE(HiddenStarts().empty());
  EXPECT_EQ(ReadText(Payload() / "Vorlex.ini"), "keep");
}

TEST_F(WizardTest, BuiltInTextsKeepEveryBlankAndAreHeldInCodePage1250) {
  Run([&](TForm1& form, ui::TForm2&) {
    EXPECT_EQ(form.Caption, "Vorlex Plug-In Setup");
    for (const ui::TLabel* title : {&form.Label4, &form.Label5, &form.Label7}) {
      EXPECT_EQ(title->Caption, "Vorlex  v2.12");
      EXPECT_EQ(title->Font.Height, 37);
    }
    EXPECT_EQ(form.Label1.Caption, "Um\xEDst\xECn\xED programu");
    EXPECT_EQ(form.Memo2.Lines.Count(), 12);
    EXPECT_EQ(form.Memo3.Lines.Count(), 8);
    EXPECT_EQ(form.Memo4.Lines.Count(), 5);
    EXPECT_EQ(form.Memo5.Lines.Count(), 9);
    const auto endsInBlank = [](const ui::TMemo& memo) {
      std::vector<int> lines;
      for (int i = 0; i < memo.Lines.Count(); ++i) {
        const std::string& line = memo.Lines[i];
        if (!line.empty() && line.back() == ' ' && line.find_first_not_of(' ') != line.npos) {
          lines.push_back(i);
        }
      }
      return lines;
    };
    EXPECT_EQ(endsInBlank(form.Memo2), (std::vector<int>{2, 5, 6, 8, 10}));
    EXPECT_EQ(endsInBlank(form.Memo3), (std::vector<int>{0, 1, 4, 5, 6}));
    EXPECT_EQ(endsInBlank(form.Memo4), (std::vector<int>{0, 3}));
    EXPECT_EQ(endsInBlank(form.Memo5), (std::vector<int>{0, 4}));
    EXPECT_EQ(form.Memo4.Lines[2], " ");
    EXPECT_EQ(form.Memo5.Lines[7], "  ");
    EXPECT_EQ(form.Memo2.Lines[2], Cp("Průvodce vás bezpečně provede všemi úskalími "));
    EXPECT_EQ(form.Memo5.Lines[8], Cp("Odinstalaci můžete zrušit tlačítkem \"Storno\""));
    EXPECT_EQ(form.BitBtn4.Caption, Cp("Dokončit...."));
    EXPECT_EQ(form.Label9.Caption, "--- Uninstall  ---");
    EXPECT_EQ(form.Mess.Caption, "Mess");
    EXPECT_EQ(form.ALProgressBar2.Text(), "0%");
    form.Click(form.BitBtn12);
  });
}

TEST_F(WizardTest, ProgressBarsIgnorePositionsOutsideTheirRange) {
  Run([&](TForm1& form, ui::TForm2&) {
    form.ALProgressBar2.SetPosition(85);
    form.ALProgressBar2.SetPosition(101);
    form.ALProgressBar2.SetPosition(-1);
    EXPECT_EQ(form.ALProgressBar2.Position(), 85);
    EXPECT_EQ(form.ALProgressBar2.Text(), "85%");
    form.ALProgressBar1.SetPosition(100);
    EXPECT_EQ(form.ALProgressBar1.Text(), "100%");
    form.Click(form.BitBtn12);
  });
}

}  // namespace
}  // namespace setup::test
