// The shell tests. Started with --second-copy, the program instead plays a second copy of
// the setup started while the test holds the single-instance lock.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/shell/shell_support.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--second-copy") == 0) {
    return setup::test::RunSecondCopy();
  }
  setup::testing::SetSelfPath(std::filesystem::absolute(argv[0]));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
