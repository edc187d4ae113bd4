#include "tests/shell/shell_support.h"

#include <cstdio>

#include "app/program.h"
#include "install/paths.h"
#include "platform/files.h"

namespace setup::test {

namespace {

std::vector<std::string>& Starts() {
  static std::vector<std::string> starts;
  return starts;
}

// The running program file, as if the setup had been started from the LWTEMP folder: then
// the self-removal at exit owns it and writes and starts its batch.
plat::Result<std::string> ProgramInLwTemp() {
  return {NormalizePath(plat::TempPath().value_or({}) + "\\LWTEMP\\setup.exe"), plat::kOk};
}

// WinExec's answer for a started program is above 31.
std::uint32_t RecordHiddenStart(const std::string& commandLine) {
  Starts().push_back(commandLine);
  return 33;
}

}  // namespace

int RunSecondCopy() {
  ui::NullUi ui;
  const int code = RunProgram(ui, [](TForm1&, ui::TForm2&) { return 99; });
  for (const ui::Shown& shown : ui.shown()) {
    std::printf("%s|%u|%s\n", shown.caption.c_str(), static_cast<unsigned>(shown.flags),
                Hex(shown.text).c_str());
  }
  std::fflush(stdout);
  return code;
}

std::vector<std::string>& ShellTest::HiddenStarts() { return Starts(); }

void ShellTest::SetUp() {
  root_ = fs::temp_directory_path() / UniqueName("setup-shell-");
  fs::create_directories(root_ / "prefix");
  fs::create_directories(Payload());
  SetEnvironment("SETUP_PREFIX", (root_ / "prefix").string());
#ifdef _WIN32
  // The system temp folder, and with it LWTEMP, of this test alone.
  fs::create_directories(root_ / "temp");
  SetEnvironment("TMP", (root_ / "temp").string());
  SetEnvironment("TEMP", (root_ / "temp").string());
#endif
  savedDirectory_ = fs::current_path();
  fs::current_path(Payload());
  plat::Services table = plat::services();
  table.startHidden = &RecordHiddenStart;
  table.moduleFileName = &ProgramInLwTemp;
  services_.emplace(table);
  HiddenStarts().clear();
}

void ShellTest::TearDown() {
  services_.reset();
  fs::current_path(savedDirectory_);
#ifdef _WIN32
  SetEnvironment("TMP", root_.parent_path().string());
  SetEnvironment("TEMP", root_.parent_path().string());
#endif
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(root_, ignored);
}

void ShellTest::AddPayloadArchive() {
  // An empty zip archive: the end-of-central-directory record alone, every count zero.
  WriteAll(Payload() / "vx01.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

void ShellTest::PrepareLwTemp(const TForm1& form) {
  const std::uint32_t made = plat::CreateDirectory(form.LwTempFolder);
  ASSERT_TRUE(made == plat::kOk || made == plat::kAlreadyExists) << made;
  const std::string running = plat::ModuleFileName().value_or({});
  {
    auto file = plat::File::Open(running, plat::OpenMode::kCreate);
    ASSERT_TRUE(file.ok());
  }
  ASSERT_EQ(plat::SetFileAttributes(running, plat::kAttrReadOnly), plat::kOk);
}

int ShellTest::Run(const std::function<void(TForm1&, ui::TForm2&)>& steps) {
  return RunProgram(ui_, [&steps](TForm1& form, ui::TForm2& picker) {
    form.FormShow();
    steps(form, picker);
    return 0;
  });
}

int ShellTest::RunEndingAtStart() {
  bool looped = false;
  const int code = RunProgram(ui_, [&looped](TForm1&, ui::TForm2&) {
    looped = true;
    return 0;
  });
  EXPECT_FALSE(looped);
  return code;
}

}  // namespace setup::test
