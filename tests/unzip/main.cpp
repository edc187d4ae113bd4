// The test program: the simulated machine's prefix is a fresh temporary folder for the run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/unzip/support.h"

int main(int argc, char** argv) {
  unzip_test::TempDir prefix;
#ifdef _WIN32
  _putenv_s("SETUP_PREFIX", prefix.path().string().c_str());
#else
  setenv("SETUP_PREFIX", prefix.path().c_str(), 1);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
