// The install run and the uninstall run through the null view, with each platform call failed
// in turn (the Nth of every kind, once and from then on), the machine put back before each
// run. After each run: nothing escaped the program; it ended with its success message or
// with an error shown; a success message only when the outcome equals that of the run
// without faults; nothing changed outside the home directory, the program group, the two
// shortcut places, LWTEMP and the source folder's setup.ini; the registry file is the one
// before the run or the one after the run without faults, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "fault_table.h"
#include "install/sysdirs.h"
#include "platform/posix/prefix.h"
#include "runs_support.h"
#include "sweep.h"
#include "texts/message_table.h"
#include "texts/run_texts.h"

namespace setup::faults {
namespace {

using namespace setup::testing;

std::string Line(Msg line) { return MessageLine(BuiltInMessageLines(), line); }

// What a run left: the machine's drive C:, the payload, the registry files, and what the
// program showed and started.
struct Outcome {
  Picture drive, payload;
  std::string userHive;
  std::vector<ui::Shown> shown;
  std::vector<std::string> starts;
  std::string escaped;
  int startPage = -1;
  bool closed = false;  // the window closed at the end of the run
  std::string home;     // the home directory the run was to install or remove
  // The shell folders the program knew (a registry read that fails at start-up leaves one
  // unnamed, and nothing is done there).
  std::vector<std::string> unknownPlaces;
};

// A REGEDIT4 file: its header, then key lines, value lines and empty lines, CR LF ended.
bool WellFormedHive(const std::string& text) {
  if (!text.starts_with("REGEDIT4\r\n")) return false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return false;
    const std::string_view line(text.data() + at, end - at);
    const bool key = line.starts_with("[HKEY_") && line.ends_with("]");
    const bool value = (line.starts_with("\"") || line.starts_with("@")) &&
                       line.find('=') != std::string_view::npos;
    if (at > 0 && !line.empty() && !key && !value) return false;
    at = end + 2;
  }
  return true;
}

bool IsError(const ui::Shown& shown) {
  if (shown.kind == ui::Shown::Kind::kMessageDialog) return shown.caption == "Error";
  return shown.kind == ui::Shown::Kind::kMessageBox && (shown.flags & ui::MB_ICONERROR) != 0;
}

class RunFaults : public RunsTest {
 protected:
  void SetUp() override {
    RunsTest::SetUp();
    home_ = dirs_.ProgramFilesDir() + "\\Vorlex";
    group_ = dirs_.StartMenuProgramsDir() + "\\Vorlex";
    MakePayload(true, true);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(backup_, ignored);
    RunsTest::TearDown();
  }

  fs::path Prefix() const { return plat::posix::PrefixDir(); }

  // Keeps the machine and the payload as they are now, to be put back before every run.
  void Keep() {
    backup_ = fs::temp_directory_path() / ("setup-faults-" + std::to_string(::getpid()));
    std::error_code ignored;
    fs::remove_all(backup_, ignored);
    fs::create_directories(backup_);
    fs::copy(Prefix(), backup_ / "prefix", fs::copy_options::recursive);
    fs::copy(PayloadHost(), backup_ / "payload", fs::copy_options::recursive);
  }
  void PutBack() {
    plat::SetCurrentDirectory(Payload());
    for (const auto& [kept, live] :
         {std::pair{backup_ / "prefix", Prefix()}, std::pair{backup_ / "payload", PayloadHost()}}) {
      for (const auto& entry : fs::directory_iterator(live)) fs::remove_all(entry.path());
      fs::copy(kept, live, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
  }

  Outcome Take() {
    Outcome outcome;
    outcome.drive = TakePicture(Prefix() / "drive_c");
    // A link holds the times of its target: links are compared by what they point at.
    for (auto& [path, bytes] : outcome.drive) {
      if (path.ends_with(".lnk")) {
        const ParsedLink link = ParseLink(bytes);
        bytes = "link " + link.error + "|" + link.Target() + "|" + link.workingDirectory;
      }
    }
    outcome.payload = TakePicture(PayloadHost());
    std::ifstream hive(Prefix() / "user.reg", std::ios::binary);
    outcome.userHive.assign(std::istreambuf_iterator<char>(hive), {});
    // The Apps & features entry's size measures what was installed, which a run with a
    // named failure changes: its digits are not compared.
    const std::string size = "\"EstimatedSize\"=dword:";
    if (const std::size_t at = outcome.userHive.find(size); at != std::string::npos) {
      outcome.userHive.replace(at + size.size(), 8, "########");
    }
    return outcome;
  }

  // One install (or uninstall) under `fault`; `lengths` receives the calls it made.
  Outcome Run(bool install, const std::optional<Fault>& fault, bool& fired, Lengths* lengths) {
    PutBack();
    Outcome outcome;
    const auto note = [&](TForm1& form) {
      outcome.startPage = form.pages.ActivePageIndex();
      outcome.home = install ? form.Directory.SelectedText() : form.RegInfo.RHomeDir;
      const std::pair<std::string, std::string> places[] = {
          {form.SystemDirs1.DeskTopDir(), dirs_.DeskTopDir() + "\\Vorlex.lnk"},
          {form.SystemDirs1.StartMenuDir(), dirs_.StartMenuDir() + "\\Vorlex.lnk"},
          {form.SystemDirs1.StartMenuProgramsDir(), group_}};
      for (const auto& [known, place] : places) {
        if (known.empty()) outcome.unknownPlaces.push_back(HostOf(place).string());
      }
    };
    {
      FaultTable table(fault);
      try {
        if (install) {
          RunSetup(Payload(), [&](TForm1& form) {
            note(form);
            WalkAndFinish(form, true, true);
            outcome.closed = form.Closed();
          });
        } else {
          NextUi().QueueAnswer(ui::IDYES);
          RunSetup(home_, [&](TForm1& form) {
            note(form);
            form.Click(form.BitBtn11);
            outcome.closed = form.Closed();
          });
        }
      } catch (const std::exception& error) {
        outcome.escaped = error.what();
      } catch (const ui::ScriptExhausted& question) {
        outcome.escaped = "unforeseen question: " + question.question;
      }
      fired = table.Fired();
      if (lengths != nullptr) {
        for (int k = 0; k < kKinds; ++k) lengths->of[k] = table.Calls(static_cast<Kind>(k));
        lengths->all = table.AllCalls();
      }
    }
    Outcome taken = Take();
    taken.shown = LastUi().shown();
    taken.starts = Starts();
    taken.escaped = outcome.escaped;
    taken.startPage = outcome.startPage;
    taken.closed = outcome.closed;
    taken.home = outcome.home;
    taken.unknownPlaces = outcome.unknownPlaces;
    return taken;
  }

  std::vector<std::string> Allowed() {
    return {HostOf(home_).string(),
            HostOf(dirs_.DeskTopDir() + "\\Vorlex.lnk").string(),
            HostOf(dirs_.StartMenuDir() + "\\Vorlex.lnk").string(),
            HostOf(group_).string(),
            HostOf(LwTemp()).string(),
            (PayloadHost() / "setup.ini").string()};
  }

  // What is wrong with `got`, a run under a fault, against the run without faults.
  //
  // What comes after the success message is left out of the comparison: the install run's
  // self-removal of the program in LWTEMP, and the setup.ini that closing the window writes
  // into the source folder.
  std::string Judge(bool install, const Outcome& got, const Outcome& before, const Outcome& clean,
                    const std::string& successText) {
    std::string what;
    if (!got.escaped.empty()) what += "escaped the program: " + got.escaped + "; ";
    const int modePage = install ? kPortal : kUninstallPage;
    if (got.escaped.empty() && got.startPage != modePage) {
      // A failed query at start-up took the other mode: nothing may have been done.
      if (got.drive != before.drive) what += "started in the other mode and changed the machine; ";
      return what;
    }
    bool success = false, error = false;
    for (const ui::Shown& shown : got.shown) {
      success = success || shown.text == successText;
      error = error || IsError(shown);
    }
    if (!success && !error) what += "ended without a message; ";
    if (!got.closed) what += "window left open; ";
    what += JudgeEnd(install, got, clean, successText, home_);
    // A failed read of the Program Files folder offers C:\Vorlex first: a complete run
    // into another home is judged by the other rules only.
    const bool otherHome = !got.home.empty() && HostOf(got.home) != HostOf(home_);
    if (success && !otherHome) {
      std::vector<std::string> after = got.unknownPlaces;
      after.push_back(install ? HostOf(LwTemp()).string() : HostOf(home_ + "\\setup.ini").string());
      const auto differs = StrayChanges(clean.drive, got.drive, after);
      if (!differs.empty()) {
        what += "success claimed, machine differs:";
        for (const auto& path : differs) {
          what += " " + fs::path(path).lexically_relative(Prefix()).string();
        }
        what += "; ";
      }
      if (got.userHive != clean.userHive) what += "success claimed, registry differs; ";
      if (!install && got.starts != clean.starts) {
        what += "success claimed, no self-removal started; ";
      }
    }
    // The file is replaced whole: it is the old one or the new one. A record key whose value
    // could not be set is a third, well-formed file, and only after an error was shown; so is
    // the record of a run into another home.
    if (got.userHive != before.userHive && got.userHive != clean.userHive &&
        !((error || otherHome) && WellFormedHive(got.userHive))) {
      what += "registry file neither the old nor the new one; ";
    }
    Picture all = got.drive, was = before.drive;
    all.insert(got.payload.begin(), got.payload.end());
    was.insert(before.payload.begin(), before.payload.end());
    std::vector<std::string> allowed = Allowed();
    if (!got.home.empty()) allowed.push_back(HostOf(got.home).string());
    for (const std::string& path : StrayChanges(was, all, allowed)) {
      what += "changed outside its places: " + path + "; ";
    }
    return what;
  }

  // The run's last box, and the steps after a failed one: a run that is not ended by a folder
  // it cannot make (install) or by a record it cannot read (uninstall) ends with its success
  // message or with the failure box; that box names every later step that was not done.
  static std::string JudgeEnd(bool install, const Outcome& got, const Outcome& clean,
                              const std::string& successText, const std::string& home) {
    const std::string heading =
        RunTextOf(install ? RunText::kInstallFailed : RunText::kUninstallLeft);
    const ui::Shown* last = nullptr;
    for (const ui::Shown& shown : got.shown) {
      if (shown.text == successText || shown.text.starts_with(heading + "\r")) last = &shown;
    }
    const auto shownWith = [&](const std::string& part) {
      return std::any_of(got.shown.begin(), got.shown.end(), [&](const ui::Shown& s) {
        return s.text.find(part) != std::string::npos;
      });
    };
    if (install) {
      // A folder that cannot be made ends the run.
      if (shownWith(Line(Msg::kSetupAborted))) return "";
      if (last == nullptr) return "no final box; ";
      std::string what;
      const bool otherHome = !got.home.empty() && HostOf(got.home) != HostOf(home);
      if (got.userHive != clean.userHive && !otherHome && !shownWith("Registry: ")) {
        what += "record neither written nor named; ";
      }
      if (got.drive.count(HostOf(ProgramsLink("Uninstall.lnk")).string()) == 0 &&
          !shownWith("Uninstall") && !shownWith(RunTextOf(RunText::kNoProgramsFolder))) {
        what += "last link neither made nor named; ";
      }
      return what;
    }
    // A record that is missing or cannot be read ends the run before the question.
    if (!shownWith(Line(Msg::kReallyUninstall))) return "";
    return last == nullptr ? "no final box; " : "";
  }

  static std::string ProgramsLink(const std::string& name) {
    return TSystemDirs().StartMenuProgramsDir() + "\\Vorlex\\" + name;
  }

  Sweep SweepRun(bool install, const std::string& successText) {
    Sweep sweep;
    sweep.name = install ? "install run" : "uninstall run";
    bool fired = false;
    Lengths lengths;
    PutBack();
    const Outcome before = Take();
    const Outcome clean = Run(install, Fault{std::nullopt, 0, false, 1}, fired, &lengths);
    EXPECT_EQ(Judge(install, clean, before, clean, successText), "");
    EXPECT_TRUE(std::any_of(clean.shown.begin(), clean.shown.end(),
                            [&](const ui::Shown& s) { return s.text == successText; }));
    // The run without faults gives the same machine every time.
    EXPECT_EQ(
        StrayChanges(clean.drive,
                     Run(install, Fault{std::nullopt, 0, false, 1}, fired, nullptr).drive, {}),
        std::vector<std::string>{});
    for (bool sticky : {false, true}) {
      for (int k = 0; k < kKinds; ++k) {
        for (int n = 1; n <= lengths.of[k]; ++n) {
          const Fault fault{static_cast<Kind>(k), n, sticky, 1};
          ++sweep.runs;
          const Outcome got = Run(install, fault, fired, nullptr);
          if (fired) ++sweep.fired;
          const std::string what = Judge(install, got, before, clean, successText);
          if (!what.empty()) sweep.Add(fault, what);
        }
      }
    }
    return sweep;
  }

  TSystemDirs dirs_;
  std::string home_, group_;
  fs::path backup_;
};

TEST_F(RunFaults, InstallRunUnderEveryFault) {
  Keep();
  const Sweep sweep = SweepRun(true, Line(Msg::kInstallDone));
  EXPECT_EQ(sweep.Report(), "");
}

TEST_F(RunFaults, UninstallRunUnderEveryFault) {
  RunSetup(Payload(), [](TForm1& form) { WalkAndFinish(form, true, true); });
  ASSERT_TRUE(RecordedHome().has_value());
  Program() = home_ + "\\setup.exe";
  Keep();
  const Sweep sweep = SweepRun(false, Line(Msg::kUninstalled));
  EXPECT_EQ(sweep.Report(), "");
}

}  // namespace
}  // namespace setup::faults
