// Shared pieces of the shell tests: a fresh simulated machine and payload folder per test,
// the self-removal start recorded instead of run, and the program run through the null view.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/services.h"
#include "test_support.h"
#include "ui/form2.h"
#include "ui/null/null_ui.h"

namespace setup::test {

using namespace setup::testing;

// The child side of the second-copy test: runs the program through the null view and prints
// every message box as "caption|flags|text in hex", one per line. Returns its exit code.
int RunSecondCopy();

// Each test gets a simulated machine ($SETUP_PREFIX; under Windows its own temp folder) and
// a payload folder that is the current directory. The running program file is reported in
// the LWTEMP folder, as when the setup is started from there; hidden starts (the
// self-removal batch) are recorded, not run.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  fs::path Payload() const { return root_ / "payload"; }
  fs::path Root() const { return root_; }
  // Puts an (empty) zip archive named vx01.zip into the payload folder: install mode.
  void AddPayloadArchive();

  // Makes the LWTEMP folder with the running program file in it, read-only as a running
  // program file cannot be deleted.
  void PrepareLwTemp(const TForm1& form);

  // Runs the program: start-up, FormShow, then `steps` as the user, then destruction.
  int Run(const std::function<void(TForm1&, ui::TForm2&)>& steps);

  // Runs the program expecting it to end at start-up, before its window's loop; the exit code.
  int RunEndingAtStart();

  static std::vector<std::string>& HiddenStarts();

  ui::NullUi ui_;

 private:
  fs::path root_;
  fs::path savedDirectory_;
  std::optional<plat::ScopedServices> services_;
};

}  // namespace setup::test
