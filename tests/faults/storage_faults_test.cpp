// The text-override save (FormStorage1 at the close request and again at destruction) with
// each write of setup.ini failed in turn, once and from then on. After each: the error
// "Unable to write to <file>" was shown; every key holds its old text, its new text or is
// gone (a list's section is erased before it is written again), never anything else; a
// single failed write is made good by the save at destruction; nothing else changed.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "app/form1.h"
#include "fault_table.h"
#include "platform/files.h"
#include "platform/posix/prefix.h"
#include "runs_support.h"
#include "sweep.h"
#include "test_support.h"
#include "ui/null/null_ui.h"

namespace setup::faults {
namespace {

using setup::testing::FileBytes;
using setup::testing::PutFile;

// Section and key (both as written) -> the value's text; nullopt for a file that is not made
// of section lines, key lines and empty lines.
using Keys = std::map<std::pair<std::string, std::string>, std::string>;
std::optional<Keys> ParseIni(const std::string& text) {
  Keys keys;
  std::string section;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || section.empty()) return std::nullopt;
    keys[{section, line.substr(0, equals)}] = line.substr(equals + 1);
  }
  return keys;
}

class StorageFaults : public setup::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ini_ = In("setup.ini");
    ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
    PutFile(ini_,
            "[ALL]\r\nLabel1_Caption=Old place\r\nBitBtn4_Caption=\"Finish\"\r\n"
            "[ALL.ProgIcon_Items]\r\nCount=2\r\nItem0=Desk\r\nItem1=Menu\r\n"
            "[ALL.Memo6_Lines]\r\nCount=3\r\nItem0=zero\r\nItem1= one\r\nItem2=two\r\n");
    old_ = FileBytes(ini_);
  }

  // Shows the window, changes two texts, closes and destroys it, with `fault` in force from
  // the close on. Returns what the user was shown.
  std::vector<ui::Shown> Run(const std::optional<Fault>& fault, bool& fired, int* writes) {
    PutFile(ini_, old_);
    ui::NullUi ui;
    std::vector<ui::Shown> shown;
    {
      TForm1 form(ui);
      EXPECT_EQ(form.FormCreate(), StartOutcome::kRun);
      form.FormShow();
      form.Label1.Caption = "New place";
      form.ProgIcon.Items.Assign({"Desktop", "Start menu", "Third"});
      FaultTable table(fault);
      form.Close();
      form.FormDestroy();
      fired = table.Fired();
      if (writes != nullptr) *writes = table.Calls(Kind::kProfile);
    }
    return ui.shown();
  }

  std::string ini_, old_;
};

TEST_F(StorageFaults, EveryWriteOfTheSaveFailedOnceAndFromThenOn) {
  bool fired = false;
  int writes = 0;
  ASSERT_TRUE(Run(std::nullopt, fired, &writes).empty());
  const std::string fresh = FileBytes(ini_);
  const auto before = ParseIni(old_);
  const auto after = ParseIni(fresh);
  ASSERT_TRUE(before && after);
  ASSERT_EQ(after->at({"ALL", "Label1_Caption"}), "New place");
  ASSERT_GT(writes, 50);
  const auto picture = [] { return setup::testing::TakePicture(plat::posix::PrefixDir()); };
  const std::string iniHost = plat::posix::MapPath(ini_).value_or({}).host;

  Sweep sweep;
  sweep.name = "text-override save";
  for (bool sticky : {false, true}) {
    for (int n = 1; n <= writes; ++n) {
      const Fault fault{Kind::kProfile, n, sticky};
      ++sweep.runs;
      const auto was = picture();
      const std::vector<ui::Shown> shown = Run(fault, fired, nullptr);
      if (fired) ++sweep.fired;
      std::string what;
      const std::string unable = "Unable to write to " + ini_ + ".";
      const auto told = std::count_if(shown.begin(), shown.end(), [&](const ui::Shown& s) {
        return s.text == unable && (s.flags & ui::MB_ICONERROR) != 0;
      });
      // A failed write at the close is reported, and the save at destruction is tried again.
      if (told == 0 || told != static_cast<long>(shown.size())) what += "not told; ";
      const std::string text = FileBytes(ini_);
      const auto got = ParseIni(text);
      if (!got) {
        what += "setup.ini no longer well formed; ";
      } else {
        for (const auto& [key, value] : *got) {
          const auto old = before->find(key);
          const auto now = after->find(key);
          const bool known = (old != before->end() && old->second == value) ||
                             (now != after->end() && now->second == value) ||
                             (key.second == "Visible" && value == "1");
          if (!known) what += "[" + key.first + "] " + key.second + "=" + value + "; ";
        }
        // One failed write: the destruction's save writes everything (Visible=1).
        if (!sticky) {
          Keys expected = *after;
          expected[{"ALL", "Visible"}] = "1";
          if (*got != expected) what += "the save at destruction did not complete the file; ";
        }
      }
      for (const auto& path : setup::testing::StrayChanges(was, picture(), {iniHost})) {
        what += "changed: " + path + "; ";
      }
      if (!what.empty()) sweep.Add(fault, what);
    }
  }
  EXPECT_EQ(sweep.Report(), "");
}

}  // namespace
}  // namespace setup::faults
