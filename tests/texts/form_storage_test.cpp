#include "texts/form_storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "temp_source.h"
#include "texts/error.h"
#include "texts/message_table.h"
#include "texts/window_texts.h"

namespace setup {
namespace {

namespace fs = std::filesystem;
using test::Cp;

// The texts of the main window that setup.ini overrides, with their built-in values.
struct Texts {
  std::map<std::string, std::string> captions;
  std::map<std::string, std::vector<std::string>> lists;

  static Texts BuiltIn() {
    Texts t;
    for (const char* next : {"BitBtn2", "BitBtn5", "BitBtn8"}) {
      t.captions[std::string(next) + ".Caption"] = Cp1250(kNextCaption);
    }
    for (const char* back : {"BitBtn1", "BitBtn7", "BitBtn10"}) {
      t.captions[std::string(back) + ".Caption"] = Cp1250(kBackCaption);
    }
    for (const char* cancel : {"BitBtn3", "BitBtn6", "BitBtn9", "BitBtn12"}) {
      t.captions[std::string(cancel) + ".Caption"] = Cp1250(kCancelCaption);
    }
    t.captions.insert({
        {"Label1.Caption", Cp1250(kProgramPlaceCaption)},
        {"Label2.Caption", Cp1250(kIconPlaceCaption)},
        {"Label3.Caption", Cp1250(kUninstallSubheading)},
        {"Label6.Caption", Cp1250(kIconPlaceHeading)},
        {"Label8.Caption", Cp1250(kInstallingCaption)},
        {"Label9.Caption", Cp1250(kUninstallHeading)},
        {"BitBtn4.Caption", Cp1250(kFinishCaption)},
        {"BitBtn11.Caption", Cp1250(kUninstallCaption)},
    });
    t.lists = {
        {"ProgIcon.Items", Cp1250Lines(kIconPlaces)},  {"Memo2.Lines", Cp1250Lines(kWelcomeLines)},
        {"Memo3.Lines", Cp1250Lines(kFolderLines)},    {"Memo4.Lines", Cp1250Lines(kIconLines)},
        {"Memo5.Lines", Cp1250Lines(kUninstallLines)}, {"Memo6.Lines", BuiltInMessageLines()},
    };
    return t;
  }

  std::vector<StoredProperty> Bind() {
    std::vector<StoredProperty> properties;
    for (const StoredEntry& entry : StoredEntries()) {
      StoredProperty p;
      p.entry = std::string(entry.entry);
      p.kind = entry.kind;
      if (entry.kind == StoredKind::kCaption) {
        std::string& caption = captions.at(p.entry);
        p.getCaption = [&caption] { return caption; };
        p.setCaption = [&caption](const std::string& text) { caption = text; };
      } else {
        std::vector<std::string>& lines = lists.at(p.entry);
        p.getLines = [&lines] { return lines; };
        p.setLines = [&lines](const std::vector<std::string>& text) { lines = text; };
      }
      properties.push_back(std::move(p));
    }
    return properties;
  }

  const std::vector<std::string>& table() const { return lists.at("Memo6.Lines"); }
  friend bool operator==(const Texts&, const Texts&) = default;
};

struct FakeWindow {
  WindowPlacement current{0, 3, -1, -1, -4, -4, 0, 0, 1024, 768};
  int pixelsPerInch = 96;
  std::vector<WindowPlacement> applied;
  std::vector<WindowShowState> states;

  WindowBinding Bind() {
    return WindowBinding{
        [this] { return current; },
        [this](const WindowPlacement& p) { applied.push_back(p); },
        [this] { return pixelsPerInch; },
        [this](WindowShowState s) { states.push_back(s); },
    };
  }
};

// One run of the program as far as the overrides go, on the built-in texts.
struct OneRun {
  explicit OneRun(const std::string& ini) {
    storage.SetIniFileName(ini);
    storage.Bind(texts.Bind(), window.Bind());
  }
  OneRun(const OneRun&) = delete;
  OneRun& operator=(const OneRun&) = delete;

  Texts texts = Texts::BuiltIn();
  FakeWindow window;
  FormStorage storage;
};

using FormStorageTest = test::TempSourceTest;

TEST(StoredNames, FollowTheNamingRuleInTheFixedOrder) {
  const std::vector<std::string> expected = {
      "Label1_Caption",  "BitBtn11_Caption", "BitBtn12_Caption", "Label2_Caption",
      "Label6_Caption",  "Label8_Caption",   "Label9_Caption",   "ALL.ProgIcon_Items",
      "ALL.Memo5_Lines", "ALL.Memo4_Lines",  "ALL.Memo3_Lines",  "ALL.Memo2_Lines",
      "Label3_Caption",  "ALL.Memo6_Lines",  "BitBtn1_Caption",  "BitBtn10_Caption",
      "BitBtn2_Caption", "BitBtn3_Caption",  "BitBtn4_Caption",  "BitBtn5_Caption",
      "BitBtn6_Caption", "BitBtn7_Caption",  "BitBtn8_Caption",  "BitBtn9_Caption",
  };
  std::vector<std::string> names;
  for (const StoredEntry& e : StoredEntries()) names.push_back(StoredName(e.entry, e.kind));
  EXPECT_EQ(names, expected);
}

TEST(ProfileQuoting, WrapsOnlyWhatReadingWouldAlter) {
  EXPECT_EQ(QuotedForProfile("Zpet"), "Zpet");
  EXPECT_EQ(QuotedForProfile(""), "");
  EXPECT_EQ(QuotedForProfile("\"Zpet\""), "\"\"Zpet\"\"");
  EXPECT_EQ(QuotedForProfile("'x'"), "\"'x'\"");
  EXPECT_EQ(QuotedForProfile("\"only start"), "\"only start");
  EXPECT_EQ(QuotedForProfile("\"mixed'"), "\"mixed'");
  EXPECT_EQ(QuotedForProfile(" lead"), "\" lead\"");
  EXPECT_EQ(QuotedForProfile("trail "), "\"trail \"");
  EXPECT_EQ(QuotedForProfile(" "), "\" \"");
  EXPECT_EQ(TrimControls("\t \x01 a b \r\n"), "a b");
  EXPECT_EQ(TrimControls(" \x1F "), "");
  EXPECT_EQ(TrimControls("\xE1 "), "\xE1");  // high bytes are text, not blanks
}

TEST_F(FormStorageTest, WithoutFileBuiltInsStayAndTheFirstSaveWritesEveryText) {
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_TRUE(run.storage.restored());
  EXPECT_EQ(run.texts, Texts::BuiltIn());
  EXPECT_TRUE(run.window.applied.empty());
  ASSERT_EQ(run.window.states.size(), 1u);
  EXPECT_EQ(run.window.states[0], WindowShowState::kNormal);
  EXPECT_FALSE(fs::exists(iniHost()));

  run.storage.SaveAtClose();
  EXPECT_TRUE(run.storage.saved());
  const std::string file = ReadIni();
  EXPECT_EQ(file.rfind("[ALL]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=3\r\nPixelsPerInch=96\r\n"
                       "MinMaxPos=-1,-1,-4,-4\r\nNormPos=0,0,1024,768\r\nVisible=0\r\n" +
                           Cp("Label1_Caption=Umístění programu\r\n"),
                       0),
            0u)
      << file;
  EXPECT_NE(file.find("[ALL.ProgIcon_Items]\r\nCount=2\r\nItem0=Na plochu\r\nItem1=" +
                      Cp("Do hlavní nabídky START\r\n")),
            std::string::npos);
  EXPECT_EQ(Get("ALL", "Label9_Caption"), "--- Uninstall  ---");
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Count"), "32");
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Item31"), Cp("Instalace byla už spuštěna!"));
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Item32"), "<missing>");

  // Every list section comes in list order, after the section ALL.
  std::vector<std::size_t> at;
  for (const char* s : {"[ALL.ProgIcon_Items]", "[ALL.Memo5_Lines]", "[ALL.Memo4_Lines]",
                        "[ALL.Memo3_Lines]", "[ALL.Memo2_Lines]", "[ALL.Memo6_Lines]"}) {
    at.push_back(file.find(s));
    ASSERT_NE(at.back(), std::string::npos) << s;
  }
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
}

// Lines are saved so that they come back byte for byte: the message table's own leading and
// trailing blanks survive the round trip instead of gluing the uninstall question together.
TEST_F(FormStorageTest, SecondRunGetsEveryTextBackExactly) {
  {
    OneRun run(iniPath());
    run.storage.Restore();
    run.storage.SaveAtClose();
  }
  EXPECT_NE(ReadIni().find("Item0=\"      Installation of  Vorlex\"\r\n"), std::string::npos);
  EXPECT_NE(ReadIni().find("Item27=\"" + Cp(" budou smazány !!\"\r\n")), std::string::npos);

  OneRun run(iniPath());
  for (auto& [name, caption] : run.texts.captions) caption = "changed";
  for (auto& [name, lines] : run.texts.lists) lines = {"changed"};
  run.storage.Restore();
  EXPECT_EQ(run.texts, Texts::BuiltIn());
  const std::vector<std::string>& table = run.texts.table();
  EXPECT_EQ(
      MessageLine(table, Msg::kAllFilesIn) + "C:\\Vorlex" + MessageLine(table, Msg::kWillBeDeleted),
      Cp("Všechny soubory v adresáři C:\\Vorlex budou smazány !!"));
}

// A file written by hand, or by an earlier version that wrote lines unquoted: the file's
// value rules trim both ends, so those blanks are lost on reading.
TEST_F(FormStorageTest, UnquotedBlanksInAHandWrittenFileAreLost) {
  WriteIni(
      Cp("[all]\r\nlabel1_caption =   Cíl  \r\n"
         "[ALL.Memo6_Lines]\r\nCount=32\r\n"
         "Item0=      Installation of  Vorlex\r\n"
         "Item26=Všechny soubory v adresáři \r\n"
         "Item27= budou smazány !!\r\n"));
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_EQ(run.texts.captions["Label1.Caption"], Cp("Cíl"));
  ASSERT_EQ(run.texts.table().size(), 32u);
  EXPECT_EQ(run.texts.table()[0], "Installation of  Vorlex");
  EXPECT_EQ(run.texts.table()[26], Cp("Všechny soubory v adresáři"));
  EXPECT_EQ(run.texts.table()[27], Cp("budou smazány !!"));
  EXPECT_EQ(run.texts.table()[1], "");  // present in Count, missing as a key
}

TEST_F(FormStorageTest, NegativeFormVersionDisablesEveryOverrideAndEverySave) {
  const std::string file =
      "[ALL]\r\nFormVersion=-1\r\nShowCmd=2\r\nNormPos=5,5,100,100\r\nMinMaxPos=1,1,1,1\r\n"
      "Label1_Caption=Other\r\n[ALL.Memo6_Lines]\r\nCount=1\r\nItem0=x\r\n";
  WriteIni(file);
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_FALSE(run.storage.restored());
  EXPECT_EQ(run.texts, Texts::BuiltIn());
  EXPECT_TRUE(run.window.applied.empty());
  EXPECT_TRUE(run.window.states.empty());
  run.storage.SaveAtClose();
  run.storage.SaveAtDestroy();
  EXPECT_EQ(ReadIni(), file);
}

TEST_F(FormStorageTest, FormVersionThatIsNoNumberCountsAsZero) {
  WriteIni("[ALL]\r\nFormVersion=minus one\r\nLabel1_Caption=Other\r\n");
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_TRUE(run.storage.restored());
  EXPECT_EQ(run.texts.captions["Label1.Caption"], "Other");
}

TEST_F(FormStorageTest, ShowCmdMinimisesTheProgramOnlyFor2And6And7) {
  const std::vector<std::pair<std::string, WindowShowState>> cases = {
      {"1", WindowShowState::kNormal},           {"3", WindowShowState::kMaximized},
      {"5", WindowShowState::kNormal},           {"9", WindowShowState::kNormal},
      {"2", WindowShowState::kProgramMinimized}, {"6", WindowShowState::kProgramMinimized},
      {"7", WindowShowState::kProgramMinimized}, {"0", WindowShowState::kNormal},
      {"4", WindowShowState::kNormal},           {"-2", WindowShowState::kNormal},
      {"two", WindowShowState::kNormal},         {"", WindowShowState::kNormal},
  };
  for (const auto& [value, state] : cases) {
    ASSERT_EQ(plat::ProfileWriteString("ALL", std::string("ShowCmd"), value, iniPath()), plat::kOk);
    OneRun run(iniPath());
    run.storage.Restore();
    ASSERT_EQ(run.window.states.size(), 1u) << value;
    EXPECT_EQ(run.window.states[0], state) << "ShowCmd=" << value;
  }
}

TEST_F(FormStorageTest, PlacementNeedsAPositionKeyAndTheSameScreenAndKeepsTheSize) {
  struct Case {
    std::string keys;
    bool applied;
    WindowPlacement expected;
  };
  // The window: flags 0, normal rectangle 0,0,1024,768; min -1,-1, max -4,-4.
  const std::vector<Case> cases = {
      {"NormPos=10,20,30,40\r\nPixelsPerInch=96\r\n",
       true,
       {0, 3, -1, -1, -4, -4, 10, 20, 1034, 788}},
      {"NormPos=10 20\r\n", true, {0, 3, -1, -1, -4, -4, 10, 20, 1034, 788}},
      {"NormPos=7\r\nFlags=2\r\n", true, {2, 3, -1, -1, -4, -4, 7, 0, 1031, 768}},
      {"NormPos=x,,9\r\n", true, {0, 3, -1, -1, -4, -4, 0, 9, 1024, 777}},
      {"MinMaxPos=1 2,3\r\n", true, {0, 3, 1, 2, 3, 0, 0, 0, 1024, 768}},
      {"MinMaxPos=a,b,c,d\r\n", true, {0, 3, 0, 0, 0, 0, 0, 0, 1024, 768}},
      {"NormPos=10,20,30,40\r\nPixelsPerInch=120\r\n", false, {}},
      {"Flags=2\r\nPixelsPerInch=96\r\n", false, {}},
      {"NormPos=\r\nMinMaxPos=\r\n", false, {}},
  };
  for (const Case& c : cases) {
    WriteIni("[ALL]\r\n" + c.keys);
    OneRun run(iniPath());
    run.storage.Restore();
    ASSERT_EQ(run.window.applied.size(), c.applied ? 1u : 0u) << c.keys;
    if (!c.applied) continue;
    const WindowPlacement& p = run.window.applied[0];
    const WindowPlacement& e = c.expected;
    EXPECT_EQ(p.flags, e.flags) << c.keys;
    EXPECT_EQ((std::vector<int>{p.minX, p.minY, p.maxX, p.maxY}),
              (std::vector<int>{e.minX, e.minY, e.maxX, e.maxY}))
        << c.keys;
    EXPECT_EQ((std::vector<int>{p.left, p.top, p.right, p.bottom}),
              (std::vector<int>{e.left, e.top, e.right, e.bottom}))
        << c.keys;
  }
}

TEST_F(FormStorageTest, MessageTableWithCount10HasTenLines) {
  ASSERT_EQ(plat::ProfileWriteString("ALL.Memo6_Lines", std::string("Count"), "10", iniPath()),
            plat::kOk);
  for (int i = 0; i < 12; ++i) {
    if (i == 4) continue;
    ASSERT_EQ(plat::ProfileWriteString("ALL.Memo6_Lines", "Item" + std::to_string(i),
                                       "line " + std::to_string(i), iniPath()),
              plat::kOk);
  }
  OneRun run(iniPath());
  run.storage.Restore();
  ASSERT_EQ(run.texts.table().size(), 10u);
  const std::vector<std::string>& table = run.texts.table();
  EXPECT_EQ(MessageLine(table, Msg::kSummaryHeading), "line 0");
  EXPECT_EQ(MessageLine(table, Msg::kIconOnDesktop), "");
  EXPECT_EQ(MessageLine(table, Msg::kCreatingFolder), "line 9");
  EXPECT_EQ(MessageLine(table, Msg::kCopyingFiles), "");
  EXPECT_EQ(MessageLine(table, Msg::kInstallCancelled), "");

  run.storage.SaveAtClose();
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Count"), "10");
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Item4"), "");
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Item10"), "<missing>");
  EXPECT_EQ(Get("ALL.Memo6_Lines", "Item11"), "<missing>");
}

TEST_F(FormStorageTest, CountZeroMissingOrNotANumberKeepsTheBuiltInLines) {
  for (const std::string count :
       {"Count=0\r\n", "", "Count=ten\r\n", "Count=-3\r\n", "Count=99999999999\r\n"}) {
    WriteIni("[ALL.Memo6_Lines]\r\n" + count + "Item0=x\r\nItem1=y\r\n");
    OneRun run(iniPath());
    run.storage.Restore();
    EXPECT_EQ(run.texts.table(), BuiltInMessageLines()) << count;
  }
  WriteIni("[ALL.Memo6_Lines]\r\nCount=\" 2\"\r\nItem0=x\r\nItem1=y\r\n");
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_EQ(run.texts.table(), (std::vector<std::string>{"x", "y"}));
}

TEST_F(FormStorageTest, HugeCountIsCutInsteadOfReadingForever) {
  WriteIni("[ALL.Memo2_Lines]\r\nCount=2000000000\r\nItem0=first\r\n");
  OneRun run(iniPath());
  run.storage.Restore();
  const std::vector<std::string>& lines = run.texts.lists["Memo2.Lines"];
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kMaxStoredLines));
  EXPECT_EQ(lines[0], "first");
  EXPECT_EQ(lines[1], "");
}

TEST_F(FormStorageTest, EmptyMissingAndQuotedCaptions) {
  WriteIni(
      Cp("[ALL]\r\nLabel1_Caption=\r\nBitBtn1_Caption=\"Zpět\"\r\n"
         "BitBtn2_Caption='Dál'\r\nBitBtn3_Caption=\"\tStorno \"\r\n"));
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_EQ(run.texts.captions["Label1.Caption"], "");
  EXPECT_EQ(run.texts.captions["BitBtn1.Caption"], Cp("Zpět"));
  EXPECT_EQ(run.texts.captions["BitBtn2.Caption"], Cp("Dál"));
  EXPECT_EQ(run.texts.captions["BitBtn3.Caption"], "Storno");  // codes 0-32 trimmed
  EXPECT_EQ(run.texts.captions["Label2.Caption"], Cp("Umístit ikony ..."));

  run.texts.captions["BitBtn5.Caption"] = "\"Next\"";
  run.texts.captions["BitBtn6.Caption"] = "'Cancel'";
  run.texts.captions["BitBtn7.Caption"] = "  Back\t";
  run.storage.SaveAtClose();
  const std::string file = ReadIni();
  EXPECT_NE(file.find("Label1_Caption=\r\n"), std::string::npos);
  EXPECT_NE(file.find("BitBtn1_Caption=" + Cp("Zpět") + "\r\n"), std::string::npos);
  EXPECT_NE(file.find("BitBtn5_Caption=\"\"Next\"\"\r\n"), std::string::npos);
  EXPECT_NE(file.find("BitBtn7_Caption=Back\r\n"), std::string::npos);

  OneRun again(iniPath());
  again.storage.Restore();
  EXPECT_EQ(again.texts.captions["Label1.Caption"], "");
  EXPECT_EQ(again.texts.captions["BitBtn5.Caption"], "\"Next\"");
  EXPECT_EQ(again.texts.captions["BitBtn6.Caption"], "'Cancel'");
  EXPECT_EQ(again.texts.captions["BitBtn7.Caption"], "Back");
}

TEST_F(FormStorageTest, ListsAreRewrittenWholeAndAnEmptyListLeavesNoSection) {
  WriteIni(
      "[ALL.Memo4_Lines]\r\nCount=3\r\nItem0=a\r\nItem1=b\r\nItem2=c\r\nItem7=stale\r\n"
      "[ALL.Memo3_Lines]\r\nCount=1\r\nItem0=z\r\n");
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_EQ(run.texts.lists["Memo4.Lines"], (std::vector<std::string>{"a", "b", "c"}));
  run.texts.lists["Memo4.Lines"] = {"a", "b"};
  run.texts.lists["Memo3.Lines"].clear();
  run.storage.SaveAtClose();
  EXPECT_EQ(Get("ALL.Memo4_Lines", "Count"), "2");
  EXPECT_EQ(Get("ALL.Memo4_Lines", "Item1"), "b");
  EXPECT_EQ(Get("ALL.Memo4_Lines", "Item2"), "<missing>");
  EXPECT_EQ(Get("ALL.Memo4_Lines", "Item7"), "<missing>");
  EXPECT_EQ(ReadIni().find("[ALL.Memo3_Lines]"), std::string::npos);
}

TEST_F(FormStorageTest, NeverShownWindowNeverWritesTheFile) {
  OneRun run(iniPath());
  run.storage.SaveAtClose();
  run.storage.SaveAtDestroy();
  EXPECT_FALSE(fs::exists(iniHost()));
}

TEST_F(FormStorageTest, DestructionSavesOnlyWhenTheCloseSaveDidNotComplete) {
  OneRun run(iniPath());
  run.storage.Restore();
  run.storage.SaveAtClose();
  EXPECT_EQ(Get("ALL", "Visible"), "0");
  ASSERT_EQ(plat::ProfileWriteString("ALL", std::string("Visible"), "marker", iniPath()),
            plat::kOk);
  run.storage.SaveAtDestroy();
  EXPECT_EQ(Get("ALL", "Visible"), "marker");
}

TEST_F(FormStorageTest, UnwritableFileRaisesUnableToWriteAndDestructionTriesAgain) {
  // The source folder does not exist: every write fails.
  const fs::path missing = root_ / "source" / "gone";
  const std::string path = WindowsPath(missing / "setup.ini");
  OneRun run(path);
  FormStorage& storage = run.storage;
  storage.Restore();
  try {
    storage.SaveAtClose();
    FAIL() << "save succeeded";
  } catch (const SetupError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    EXPECT_EQ(ErrorReportText(error.what()), "Unable to write to " + path + ".");
  }
  EXPECT_FALSE(storage.saved());
  EXPECT_THROW(storage.SaveAtDestroy(), SetupError);

  fs::create_directories(missing);
  storage.SaveAtDestroy();
  EXPECT_TRUE(storage.saved());
  EXPECT_EQ(plat::ProfileGetString("ALL", "Visible", "", path), "1");
}

TEST_F(FormStorageTest, SetupIniThatCannotBeOpenedForWritingRaises) {
  fs::create_directory(iniHost());  // a folder where the file should be
  OneRun run(iniPath());
  run.storage.Restore();
  EXPECT_TRUE(run.storage.restored());
  EXPECT_EQ(run.texts.lists, Texts::BuiltIn().lists);
  EXPECT_THROW(run.storage.SaveAtClose(), SetupError);
  EXPECT_THROW(run.storage.SaveAtDestroy(), SetupError);
  EXPECT_TRUE(fs::is_directory(iniHost()));
  EXPECT_TRUE(fs::is_empty(iniHost()));
}

// A read-only medium refuses the very first write; nothing else is tried.
TEST_F(FormStorageTest, ReadOnlyMediumStopsTheSaveAtItsFirstWrite) {
  static std::vector<std::string> attempted;
  attempted.clear();
  plat::Services readOnly = plat::services();
  readOnly.profileWriteString =
      [](const std::string& section, const std::optional<std::string>& key,
         const std::optional<std::string>&, const std::string&) -> std::uint32_t {
    attempted.push_back(section + "/" + key.value_or("*"));
    return 19;  // ERROR_WRITE_PROTECT
  };
  OneRun run(iniPath());
  run.storage.Restore();
  plat::ScopedServices scoped(readOnly);
  try {
    run.storage.SaveAtClose();
    FAIL() << "save succeeded";
  } catch (const SetupError& error) {
    EXPECT_EQ(ErrorReportText(error.what()), "Unable to write to " + iniPath() + ".");
  }
  EXPECT_EQ(attempted, std::vector<std::string>{"ALL/FormVersion"});
  EXPECT_THROW(run.storage.SaveAtDestroy(), SetupError);
  EXPECT_EQ(attempted.size(), 2u);
}

// The save stops at the first failed write: nothing after it is attempted.
TEST_F(FormStorageTest, SaveStopsAtTheFirstFailedWrite) {
  static std::vector<std::string> attempted;
  attempted.clear();
  plat::Services failing = plat::services();
  failing.profileWriteString = [](const std::string& section, const std::optional<std::string>& key,
                                  const std::optional<std::string>&,
                                  const std::string&) -> std::uint32_t {
    attempted.push_back(section + "/" + key.value_or("*"));
    return key == "Label2_Caption" ? plat::kAccessDenied : plat::kOk;
  };
  OneRun run(iniPath());
  run.storage.Restore();
  {
    plat::ScopedServices scoped(failing);
    EXPECT_THROW(run.storage.SaveAtClose(), SetupError);
  }
  const std::vector<std::string> expected = {
      "ALL/FormVersion",      "ALL/Flags",          "ALL/ShowCmd",
      "ALL/PixelsPerInch",    "ALL/MinMaxPos",      "ALL/NormPos",
      "ALL/Visible",          "ALL/Label1_Caption", "ALL/BitBtn11_Caption",
      "ALL/BitBtn12_Caption", "ALL/Label2_Caption",
  };
  EXPECT_EQ(attempted, expected);
  EXPECT_FALSE(run.storage.saved());
}

TEST_F(FormStorageTest, AnEntryThatCannotBeAppliedIsSkippedSilently) {
  WriteIni("[ALL]\r\nLabel1_Caption=one\r\nLabel2_Caption=two\r\n");
  Texts texts = Texts::BuiltIn();
  FakeWindow window;
  std::vector<StoredProperty> properties = texts.Bind();
  properties[0].setCaption = [](const std::string&) { throw std::runtime_error("refused"); };
  FormStorage storage;
  storage.SetIniFileName(iniPath());
  storage.Bind(std::move(properties), window.Bind());
  EXPECT_NO_THROW(storage.Restore());
  EXPECT_EQ(texts.captions["Label1.Caption"], Cp("Umístění programu"));
  EXPECT_EQ(texts.captions["Label2.Caption"], "two");
}

}  // namespace
}  // namespace setup
