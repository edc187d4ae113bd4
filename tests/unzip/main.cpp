// The test program: the simulated machine's prefix is a fresh temporary folder for the run.
#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
  setup::testing::TempDir prefix;
  setup::testing::SetEnvironment("SETUP_PREFIX", prefix.path().string());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
