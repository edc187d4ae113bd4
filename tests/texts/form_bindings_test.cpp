#include "app/form_bindings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "temp_source.h"
#include "texts/message_table.h"
#include "ui/null/null_ui.h"

namespace setup {
namespace {

using test::Cp;

// Every stored text of a window, read through its bindings.
struct Snapshot {
  std::vector<std::string> captions;
  std::vector<std::vector<std::string>> lists;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot TextsOf(TForm1& form) {
  Snapshot snapshot;
  for (const StoredProperty& p : StoredPropertiesOf(form)) {
    if (p.kind == StoredKind::kCaption) {
      snapshot.captions.push_back(p.getCaption());
    } else {
      snapshot.lists.push_back(p.getLines());
    }
  }
  return snapshot;
}

class FormBindingsTest : public test::TempSourceTest {
 protected:
  ui::NullUi ui_;
};

TEST_F(FormBindingsTest, BindsEveryStoredEntryToItsControlInListOrder) {
  TForm1 form(ui_);
  const std::vector<StoredProperty> properties = StoredPropertiesOf(form);
  ASSERT_EQ(properties.size(), StoredEntries().size());
  for (std::size_t i = 0; i < properties.size(); ++i) {
    EXPECT_EQ(properties[i].entry, StoredEntries()[i].entry);
    EXPECT_EQ(properties[i].kind, StoredEntries()[i].kind);
  }
  EXPECT_EQ(properties[0].getCaption(), form.Label1.Caption);
  properties[0].setCaption("Kam");
  EXPECT_EQ(form.Label1.Caption, "Kam");
  properties[1].setCaption("Pryc");
  EXPECT_EQ(form.BitBtn11.Caption, "Pryc");
  EXPECT_EQ(properties[13].getLines(), BuiltInMessageLines());
  properties[13].setLines({"a", "b"});
  EXPECT_EQ(form.Memo6.Lines.Count(), 2);
  EXPECT_EQ(form.MessageLine(Msg::kProgramPlace), "b");
  EXPECT_EQ(form.MessageLine(Msg::kIconPlace), "");
  properties[7].setLines({"Jen plocha"});
  EXPECT_EQ(form.ProgIcon.Items.Count(), 1);
}

// After one run has written setup.ini, the next run shows exactly the built-in texts again,
// blank lines, lines of blanks and trailing blanks of the explanations included.
TEST_F(FormBindingsTest, TheWindowsBuiltInTextsSurviveARunThatWritesTheFile) {
  Snapshot builtIn;
  {
    TForm1 first(ui_);
    builtIn = TextsOf(first);
    first.FormStorage1.SetIniFileName(iniPath());
    first.FormStorage1.Restore();
    first.FormStorage1.SaveAtClose();
    EXPECT_TRUE(first.FormStorage1.saved());
  }
  EXPECT_EQ(Get("ALL.Memo2_Lines", "Count"), "12");
  EXPECT_EQ(Get("ALL.Memo5_Lines", "Item7"), "  ");
  EXPECT_EQ(Get("ALL", "Label9_Caption"), "--- Uninstall  ---");

  TForm1 second(ui_);
  for (const StoredProperty& p : StoredPropertiesOf(second)) {
    if (p.kind == StoredKind::kCaption) {
      p.setCaption("");
    } else {
      p.setLines({});
    }
  }
  second.FormStorage1.SetIniFileName(iniPath());
  second.FormStorage1.Restore();
  EXPECT_EQ(TextsOf(second), builtIn);
}

TEST_F(FormBindingsTest, OverridesReachTheControlsAndTheMessageTable) {
  WriteIni(
      Cp("[ALL]\r\nBitBtn4_Caption=Hotovo\r\n[ALL.Memo6_Lines]\r\nCount=10\r\n"
         "Item0=Instalace Vorlexu\r\n[ALL.ProgIcon_Items]\r\nCount=1\r\nItem0=Plocha\r\n"));
  TForm1 form(ui_);
  form.FormStorage1.SetIniFileName(iniPath());
  form.FormStorage1.Restore();
  EXPECT_EQ(form.BitBtn4.Caption, "Hotovo");
  EXPECT_EQ(form.MessageLine(Msg::kSummaryHeading), "Instalace Vorlexu");
  EXPECT_EQ(form.MessageLine(Msg::kCreatingFolder), "");
  EXPECT_EQ(form.MessageLine(Msg::kAlreadyRunning), "");
  ASSERT_EQ(form.ProgIcon.Items.Count(), 1);
  form.ProgIcon.SetChecked(1, true);
  EXPECT_FALSE(form.ProgIcon.Checked(1));  // the missing second place reads unticked
  EXPECT_EQ(form.Label1.Caption, Cp("Umístění programu"));
}

}  // namespace
}  // namespace setup
