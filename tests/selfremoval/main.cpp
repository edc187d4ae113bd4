// The test program. Started as "--remove-self FOLDER" it is the setup program's stand-in: it
// hands FOLDER to RemoveSelf and ends, so that the batch has a real program file to erase.
// With a third argument, SECONDS, it writes its settings file anew and stays that long after
// starting the batch, as a program whose user leaves its last message open, and then exits
// with 4 when its own file or its settings file is already gone.
#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/process.h"
#include "uninstall/remove_self.h"

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--remove-self") {
    try {
      setup::RemoveSelf(argv[2]);
    } catch (const std::exception&) {
      return 3;
    }
    if (argc == 3) return 0;
    // The settings file is written anew, as the setup saves its texts when it closes.
    const auto self = plat::ModuleFileName();
    if (!self.ok()) return 3;
    const std::string settings = setup::SettingsFileOf(self.value());
    if (auto file = plat::File::Open(settings, plat::OpenMode::kCreate); file.ok()) {
      file.value().close();
    }
    std::this_thread::sleep_for(std::chrono::seconds(std::stoi(argv[3])));
    const bool kept =
        plat::FileAttributes(self.value()).ok() && plat::FileAttributes(settings).ok();
    return kept ? 0 : 4;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
