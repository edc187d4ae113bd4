// Hostile setup.ini, short.txt and registry values, each with its exact outcome, through the
// program's start-up and runs on the null view.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#include "app/install_run.h"
#include "install/sysdirs.h"
#include "platform/posix/prefix.h"
#include "runs_support.h"
#include "texts/message_table.h"
#include "texts/run_texts.h"

namespace setup::hostile {
namespace {

using namespace setup::testing;

// Bytes 0..255 at random, without the ones listed.
std::string Garbage(std::mt19937& bits, std::size_t size, const std::string& without) {
  std::string out;
  while (out.size() < size) {
    const char c = static_cast<char>(bits());
    if (without.find(c) == std::string::npos) out += c;
  }
  return out;
}

class HostileInput : public RunsTest {
 protected:
  // Start-up and first show in the payload folder with `ini` as its setup.ini.
  void Show(const std::string& ini, const std::function<void(TForm1&)>& check) {
    PutPayloadFile("vx01.zip", "PK\x03\x04");
    PutPayloadFile("setup.ini", ini);
    EXPECT_EQ(RunSetup(Payload(), [&](TForm1& form) { check(form); }), 0);
  }

  std::string Hive() const { return (fs::path(plat::posix::PrefixDir()) / "user.reg").string(); }
  void ReplaceInHive(const std::string& pattern, const std::string& with) {
    std::ifstream in(Hive(), std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    in.close();
    text = std::regex_replace(text, std::regex(pattern), with);
    std::ofstream(Hive(), std::ios::binary | std::ios::trunc) << text;
  }
};

// --- setup.ini --------------------------------------------------------------------------------

TEST_F(HostileInput, ValuesOf3000CharactersAreCutTo2047AndAHugeCountTo1024Lines) {
  const std::string long3000(3000, 'x');
  std::string ini =
      "[ALL]\r\nLabel1_Caption=" + long3000 + "\r\n[ALL.Memo6_Lines]\r\nCount=99999\r\n";
  ini += "Item0=" + long3000 + "\r\n";
  Show(ini, [&](TForm1& form) {
    EXPECT_EQ(form.Label1.Caption, std::string(2047, 'x'));
    ASSERT_EQ(form.Memo6.Lines.Count(), 1024);
    EXPECT_EQ(form.MessageLine(Msg::kSummaryHeading), std::string(2047, 'x'));
    EXPECT_EQ(form.MessageLine(Msg::kProgramPlace), "");
  });
}

TEST_F(HostileInput, CountsThatAreNoNumberOrNegativeKeepTheBuiltInLines) {
  for (const char* count : {"-5", "2147483648", "12abc", "0x10", ""}) {
    Show(
        std::string("[ALL.Memo6_Lines]\r\nCount=") + count + "\r\nItem0=replaced\r\n",
        [&](TForm1& form) { EXPECT_EQ(form.Memo6.Lines.Lines(), BuiltInMessageLines()) << count; });
  }
}

TEST_F(HostileInput, BinaryGarbageWithoutASectionLeavesEveryBuiltInText) {
  std::mt19937 bits(11);
  Show(Garbage(bits, 20000, "["), [&](TForm1& form) {
    EXPECT_EQ(form.Memo6.Lines.Lines(), BuiltInMessageLines());
    EXPECT_EQ(form.Label1.Caption, Cp("Umístění programu"));
    EXPECT_EQ(form.BitBtn4.Caption, Cp("Dokončit...."));
  });
}

TEST_F(HostileInput, BinaryGarbageAroundASectionStillGivesItsKey) {
  std::mt19937 bits(12);
  const std::string noise = Garbage(bits, 5000, "[]=\r\n");
  Show(noise + "\r\n[ALL]\r\nLabel1_Caption=Found\r\n" + noise + "\r\n",
       [&](TForm1& form) { EXPECT_EQ(form.Label1.Caption, "Found"); });
}

TEST_F(HostileInput, ALastLineWithoutItsLineEndIsRead) {
  Show("[ALL]\r\nLabel1_Caption=Konec",
       [](TForm1& form) { EXPECT_EQ(form.Label1.Caption, "Konec"); });
  Show("[ALL]\nLabel2_Caption=LF only\n[ALL.ProgIcon_Items]\nCount=2\nItem0=a\nItem1=b",
       [](TForm1& form) {
         EXPECT_EQ(form.Label2.Caption, "LF only");
         EXPECT_EQ(form.ProgIcon.Items.Lines(), (std::vector<std::string>{"a", "b"}));
       });
}

// --- short.txt ----------------------------------------------------------------------------------

TEST(ShortcutLineOfGarbage, FieldsAreWhatLiesBetweenTheSemicolons) {
  std::mt19937 bits(13);
  for (int i = 0; i < 2000; ++i) {
    const std::string line = Garbage(bits, bits() % 300, "\r\n");
    const ShortcutLine fields = ParseShortcutLine(line);
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (int f = 0; f < 3; ++f) {
      const std::size_t end = line.find(';', at);
      if (end == std::string::npos) break;
      parts.push_back(line.substr(at, end - at));
      at = end + 1;
    }
    parts.resize(3);
    EXPECT_EQ(fields.target, parts[0]);
    EXPECT_EQ(fields.subfolder, parts[1]);
    EXPECT_EQ(fields.name, parts[2]);
  }
}

// 9,990 lines that make links in ten subfolders, and ten lines of binary garbage that each
// hold a zero byte: the garbage is refused and named, the links are made, nothing lands
// outside the program group.
TEST_F(HostileInput, AShortcutListOf10000LinesWithBinaryGarbage) {
  MakePayload(false, false);
  std::mt19937 bits(14);
  std::string list;
  std::vector<std::string> garbage;
  for (int i = 0; i < 10000; ++i) {
    if (i % 1000 == 999) {
      garbage.push_back(Garbage(bits, 40, std::string("\r\n\0", 3)) + std::string(1, '\0') +
                        Garbage(bits, 40, std::string("\r\n", 2)));
      list += garbage.back() + "\r\n";
    } else {
      list += "\\Vorlex.exe;\\s" + std::to_string(i % 10) + ";L" + std::to_string(i) + ";\r\n";
    }
  }
  ASSERT_EQ(list.back(), '\n');
  list.pop_back();  // and no line end after the last line
  list.pop_back();
  PutPayloadFile("short.txt", list);
  TSystemDirs dirs;
  const std::string group = dirs.StartMenuProgramsDir() + "\\Vorlex";
  const std::string home = dirs.ProgramFilesDir() + "\\Vorlex";
  const Picture before = TakePicture(fs::path(plat::posix::PrefixDir()) / "drive_c");
  EXPECT_EQ(RunSetup(Payload(), [](TForm1& form) { WalkAndFinish(form, false, false); }), 0);

  std::string expected = RunTextOf(RunText::kInstallFailed);
  for (const std::string& line : garbage) expected += "\rshort.txt: " + line;
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].text, expected);
  EXPECT_EQ(LastUi().shown()[0].caption, "Error");
  for (int s = 0; s < 10; ++s) {
    EXPECT_EQ(Names(group + "\\s" + std::to_string(s)).size(), s == 9 ? 990u : 1000u) << s;
  }
  const ParsedLink link = ReadLink(group + "\\s3\\L9993.lnk");
  EXPECT_EQ(link.Target(), home + "\\Vorlex.exe");
  EXPECT_EQ(
      StrayChanges(before, TakePicture(fs::path(plat::posix::PrefixDir()) / "drive_c"),
                   {HostOf(home).string(), HostOf(group).string(), HostOf(LwTemp()).string()}),
      std::vector<std::string>{});
}

// --- registry values of the wrong type -----------------------------------------------------------

TEST_F(HostileInput, AnAppDirOfTheWrongTypeIsReportedAndTheUninstallRemovesNothing) {
  TSystemDirs dirs;
  const std::string group = dirs.StartMenuProgramsDir() + "\\Vorlex";
  MakeFolders(group);
  PutFile(group + "\\Vorlex.lnk", "link");
  std::ifstream in(Hive(), std::ios::binary);
  const std::string hive{std::istreambuf_iterator<char>(in), {}};
  for (const char* data : {"dword:00000001", "hex(7):41,00,42,00,00,00", "hex:01,02"}) {
    std::ofstream(Hive(), std::ios::binary | std::ios::trunc)
        << hive << "[HKEY_CURRENT_USER\\Software\\Korb\\Vorlex]\r\n\"AppDir\"=" << data
        << "\r\n\r\n";
    MakeFolders(In("start"));
    const std::string error = "Invalid data type for 'AppDir'";
    EXPECT_EQ(RunSetup(In("start"), [](TForm1& form) { form.Click(form.BitBtn11); }), 0);
    // Start-up reports it, then the button does.
    std::vector<std::string> texts;
    for (const ui::Shown& shown : LastUi().shown()) texts.push_back(shown.text);
    EXPECT_EQ(texts, (std::vector<std::string>{error, error})) << data;
    EXPECT_TRUE(PathExists(group + "\\Vorlex.lnk")) << data;
    EXPECT_TRUE(RecordedHome().has_value()) << data;
  }
}

TEST_F(HostileInput, AShellFolderOfTheWrongTypeEndsTheProgramAtStartWithCode1) {
  ReplaceInHive("\"Desktop\"=\"[^\"]*\"", "\"Desktop\"=dword:00000010");
  const Picture before = TakePicture(fs::path(plat::posix::PrefixDir()) / "drive_c");
  EXPECT_EQ(RunSetup(Work(), [](TForm1&) { ADD_FAILURE() << "the window was shown"; }), 1);
  ASSERT_EQ(LastUi().shown().size(), 1u);
  EXPECT_EQ(LastUi().shown()[0].text, "Invalid data type for 'Desktop'");
  EXPECT_EQ(TakePicture(fs::path(plat::posix::PrefixDir()) / "drive_c"), before);
}

}  // namespace
}  // namespace setup::hostile
