#include "runs_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/command_line.h"
#include "app/program.h"
#include "app/unattended.h"
#include "install/paths.h"
#include "platform/files.h"
#include "platform/posix/prefix.h"
#include "platform/registry.h"
#include "uninstall/remove_self.h"

namespace setup::testing {

namespace {

std::string gProgram;
std::vector<std::string> gStarts;

std::uint32_t RecordStart(const std::string& command) {
  gStarts.push_back(command);
  return 33;
}

plat::Result<std::string> ReportProgram() { return {gProgram, plat::kOk}; }

// While the program runs, its file is in use and cannot be deleted, as on Windows.
bool gRunning = false;
std::uint32_t DeleteUnlessRunning(const std::string& path) {
  constexpr std::uint32_t kSharingViolation = 32;
  if (gRunning && plat::posix::SameName(path, gProgram)) return kSharingViolation;
  return plat::NativeServices().deleteFile(path);
}

}  // namespace

void RecordingUi::ProcessMessages() {
  NullUi::ProcessMessages();
  if (form == nullptr) return;
  frames.push_back({form->ALProgressBar2.Position(), form->ALProgressBar1.Position(),
                    form->Mess.Caption, form->LB1.Items.Count()});
}

Picture TakePicture(const fs::path& root) {
  Picture picture;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::path& path = it->path();
    if (it->is_directory()) {
      picture[path.string()] = "<dir>";
    } else {
      std::ifstream in(path, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      picture[path.string()] = bytes.str();
    }
  }
  return picture;
}

std::vector<std::string> StrayChanges(const Picture& before, const Picture& after,
                                      const std::vector<std::string>& allowed) {
  const auto isAllowed = [&allowed](const std::string& path) {
    for (const std::string& prefix : allowed) {
      if (path == prefix || path.rfind(prefix + "/", 0) == 0) return true;
    }
    return false;
  };
  std::vector<std::string> stray;
  for (const auto& [path, bytes] : before) {
    auto found = after.find(path);
    if ((found == after.end() || found->second != bytes) && !isAllowed(path)) {
      stray.push_back(path);
    }
  }
  for (const auto& [path, bytes] : after) {
    if (before.count(path) == 0 && !isAllowed(path)) stray.push_back(path);
  }
  return stray;
}

void RunsTest::SetUp() {
  MachineTest::SetUp();
  root_ = fs::temp_directory_path() / UniqueName("setup-runs-");
  fs::create_directories(PayloadHost());
  lwTemp_ = LwTempFolderPath();
  MakeFolders(lwTemp_);
  gStarts.clear();
  // The program as a launcher would have started it: unpacked into the LWTEMP folder.
  gProgram = lwTemp_ + "\\setup.exe";
  PutFile(gProgram, "the running setup program");
  plat::Services table = plat::services();
  table.startHidden = &RecordStart;
  table.moduleFileName = &ReportProgram;
  table.deleteFile = &DeleteUnlessRunning;
  services_.emplace(table);
}

void RunsTest::TearDown() {
  services_.reset();
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  MachineTest::TearDown();
}

std::string RunsTest::Payload() const { return Win(PayloadHost()); }

std::string& RunsTest::Program() const { return gProgram; }
std::vector<std::string>& RunsTest::Starts() const { return gStarts; }

void RunsTest::MakeZip(const std::string& archive, const std::map<std::string, std::string>& files,
                       const std::string& options) {
  const fs::path staging = root_ / ("staging-" + archive);
  fs::create_directories(staging);
  for (const auto& [name, bytes] : files) {
    const fs::path file = staging / name;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
  }
  const std::string command = "cd '" + staging.string() + "' && zip -q -r -X " + options + " '" +
                              (PayloadHost() / archive).string() + "' .";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void RunsTest::PutPayloadFile(const std::string& name, const std::string& bytes) {
  std::ofstream(PayloadHost() / name, std::ios::binary) << bytes;
}

void RunsTest::MakePayload(bool withShortTxt, bool withAllZip) {
  std::string large;
  for (unsigned i = 0; i < 300000; ++i) large += static_cast<char>('a' + (i * 7919u % 26));
  MakeZip("vx01.zip",
          {{"Vorlex.exe", large}, {"readme.txt", "Vorlex\r\n"}, {"Samples/demo.exe", "demo"}});
  MakeZip("sources.zip", {{"a.c", "int a;\n"}, {"sub/b.h", "int b;\n"}});
  MakeZip("manual.zip", {{"Vorlex.htm", "<html></html>"}});
  if (withAllZip) MakeZip("all.zip", {{"extra.dat", "extra"}, {"Samples/more.dat", "more"}});
  PutPayloadFile("setup.exe", "the distribution's setup program");
  PutPayloadFile("setup.ini", Cp("[ALL]\r\nLabel8_Caption=Probíhá instalace programu\r\n"));
  PutPayloadFile("Vorlex.ini", "[Vorlex]\r\nLang=cz\r\n");
  if (withShortTxt) {
    PutPayloadFile("short.txt",
                   "\\Samples\\demo.exe;\\Samples;Demo;\r\n"
                   "\\Sources\\a.c;\\Deep\\Er\\Level;Source A;ignored after the third\r\n"
                   "\r\n"
                   "\\readme.txt;\\Docs;Readme\r\n");
  }
}

int RunsTest::RunSetup(const std::string& currentDirectory,
                       const std::function<void(TForm1&)>& steps) {
  EXPECT_EQ(plat::SetCurrentDirectory(currentDirectory), plat::kOk) << currentDirectory;
  gStarts.clear();
  if (!fresh_) NextUi();
  fresh_ = false;
  RecordingUi& ui = *ui_;
  gRunning = true;
  const int code = RunProgram(ui, [&ui, &steps](TForm1& form, ui::TForm2&) {
    ui.form = &form;
    form.FormShow();
    steps(form);
    ui.form = nullptr;
    return 0;
  });
  gRunning = false;
  return code;
}

int RunsTest::RunUnattendedSetup(const std::string& currentDirectory,
                                 const std::vector<std::string>& arguments) {
  EXPECT_EQ(plat::SetCurrentDirectory(currentDirectory), plat::kOk) << currentDirectory;
  gStarts.clear();
  const ParsedCommandLine parsed = ParseCommandLine(JoinArguments(arguments));
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  gRunning = true;
  const int code = RunUnattended(parsed.options);
  gRunning = false;
  return code;
}

RecordingUi& RunsTest::NextUi() {
  ui_.emplace();
  fresh_ = true;
  return *ui_;
}

void RunsTest::WalkAndFinish(TForm1& form, bool desktop, bool startMenu) {
  form.Click(form.BitBtn5);
  form.Click(form.BitBtn2);
  if (desktop) form.ToggleIcon(0);
  if (startMenu) form.ToggleIcon(1);
  form.Click(form.BitBtn8);
  form.Click(form.BitBtn4);
}

void RunsTest::RunRecordedBatches() {
  const std::vector<std::string> starts = gStarts;
  for (const std::string& batch : starts) {
    // Started by a child that ends at once, as the program does: the batch waits for the
    // process that started it.
    const pid_t starter = fork();
    ASSERT_GE(starter, 0);
    if (starter == 0) _exit(plat::NativeServices().startHidden(batch) > 31 ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(starter, &status, 0), starter);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << batch;
    for (int i = 0; i < 600 && PathExists(batch); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(PathExists(batch)) << "the batch did not end: " << batch;
  }
}

std::optional<std::string> RunsTest::RecordedHome() {
  auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, "\\software\\Korb\\Vorlex");
  if (!key.ok()) return std::nullopt;
  auto value = plat::RegQueryValue(key.value().get(), "AppDir");
  if (!value.ok()) return std::string("<no AppDir>");
  return value.value().data;
}

bool RunsTest::MakerKeyExists() {
  return plat::RegKey::Open(plat::Hive::kCurrentUser, "\\software\\Korb").ok();
}

ParsedLink ReadLink(const std::string& windowsPath) {
  const std::string bytes = FileBytes(windowsPath);
  if (bytes.empty()) {
    ParsedLink missing;
    missing.error = "no link file " + windowsPath;
    return missing;
  }
  return ParseLink(bytes);
}

}  // namespace setup::testing
