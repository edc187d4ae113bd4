// The test program. Started with one of the flags below it acts as the second process of the
// cross-process record tests instead of running the tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "uninstall/install_record.h"

namespace {

int RunChild(const std::string& flag) {
  setup::TInstallRecord record;
  record.RProg = "Vorlex";
  if (flag == "--child-write-record") {
    record.RHomeDir = "C:\\Program Files\\Vorlex by child";
    return record.WriteRecord() ? 0 : 1;
  }
  if (flag == "--child-read-record") {
    return record.ReadRecord() && record.RHomeDir == "D:\\Vorlex from parent\\" ? 0 : 1;
  }
  if (flag == "--child-expect-no-record") {
    return record.ReadRecord() ? 1 : 0;
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  setup::testing::SetSelfPath(std::filesystem::absolute(argv[0]));
  if (argc == 2 && std::string(argv[1]).rfind("--child-", 0) == 0) {
    try {
      return RunChild(argv[1]);
    } catch (const std::exception&) {
      return 3;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
