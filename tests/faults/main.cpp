// The fault tests. Started with --copy <folder> <marker>, the program instead plays one copy
// of the setup for the two-copies test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "copies.h"
#include "test_support.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--copy") == 0) {
    return setup::faults::RunCopy(argv[2], argv[3]);
  }
  setup::testing::SetSelfPath(std::filesystem::absolute(argv[0]));
  // The sweeps run the program some thousands of times: a memory file system keeps the
  // registry's flushes to disk cheap.
  if (std::filesystem::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0) {
    setenv("TMPDIR", "/dev/shm", 1);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
