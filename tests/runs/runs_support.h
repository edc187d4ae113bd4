// The harness of the end-to-end runs: a payload folder on the host (drive Z:), the setup
// program run in this process through a null view that records the progress page at every
// message pump, the self-removal batch started only once the program has ended (as its
// erase loop waits for on Windows), and a picture of the machine to find stray changes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "lnk_reader.h"
#include "platform/services.h"
#include "test_support.h"
#include "ui/null/null_ui.h"

namespace setup::testing {

namespace fs = std::filesystem;

// The progress page at one message pump.
struct Frame {
  int overall = 0;  // ALProgressBar2
  int archive = 0;  // ALProgressBar1
  std::string status;
  int logLines = 0;
};

class RecordingUi : public ui::NullUi {
 public:
  void ProcessMessages() override;
  TForm1* form = nullptr;
  std::vector<Frame> frames;
};

// Every file and folder below a host folder with its bytes, for comparing two moments.
using Picture = std::map<std::string, std::string>;
Picture TakePicture(const fs::path& root);
// Paths that differ between two pictures, outside the allowed prefixes (host paths).
std::vector<std::string> StrayChanges(const Picture& before, const Picture& after,
                                      const std::vector<std::string>& allowed);

class RunsTest : public MachineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The payload folder: host path and Windows path.
  fs::path PayloadHost() const { return root_ / "payload"; }
  std::string Payload() const;

  // Writes files into a staging folder and packs them with Info-ZIP zip into the payload.
  void MakeZip(const std::string& archive, const std::map<std::string, std::string>& files,
               const std::string& options = "");
  void PutPayloadFile(const std::string& name, const std::string& bytes);
  // The standard payload: vx01.zip (with a large member), sources.zip, manual.zip,
  // setup.exe, setup.ini, Vorlex.ini; short.txt and all.zip only when asked.
  void MakePayload(bool withShortTxt, bool withAllZip);

  // Runs the program with `steps` as the user, in `currentDirectory`; returns the exit code.
  int RunSetup(const std::string& currentDirectory, const std::function<void(TForm1&)>& steps);
  // Runs the program unattended with the command line of `arguments` (an argument vector, as
  // the Linux entry joins it), in `currentDirectory`; returns the exit code.
  int RunUnattendedSetup(const std::string& currentDirectory,
                         const std::vector<std::string>& arguments);
  // The usual wizard walk to the finish button, ticking the icon places asked for.
  static void WalkAndFinish(TForm1& form, bool desktop, bool startMenu);

  // Starts the batches recorded during the last run, now that the program has ended, and
  // waits until each has erased itself.
  void RunRecordedBatches();

  // The registry's installation record, or nothing.
  std::optional<std::string> RecordedHome();
  bool MakerKeyExists();

  std::string LwTemp() const { return lwTemp_; }
  std::string& Program() const;  // the running program file, as the system reports it
  std::vector<std::string>& Starts() const;

  // A new view for the next run, on which a test queues its answers; RunSetup uses it (or
  // a new one when none was asked for). After the run it holds what was shown.
  RecordingUi& NextUi();
  RecordingUi& LastUi() { return *ui_; }

 private:
  fs::path root_;
  std::string lwTemp_;
  std::optional<RecordingUi> ui_;
  bool fresh_ = false;
  std::optional<plat::ScopedServices> services_;
};

ParsedLink ReadLink(const std::string& windowsPath);

}  // namespace setup::testing
