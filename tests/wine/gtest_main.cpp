// The main of the Windows test programs: COM initialised on the main thread for the
// program's life, as the program itself does, so shell links can be made in any test.
#include <gtest/gtest.h>

#include "platform/com.h"

int main(int argc, char** argv) {
  plat::ComInit com;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
