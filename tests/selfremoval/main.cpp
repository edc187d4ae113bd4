// The test program. Started as "--remove-self FOLDER" it is the setup program's stand-in: it
// hands FOLDER to RemoveSelf and ends, so that the batch has a real program file to erase.
#include <gtest/gtest.h>

#include <exception>
#include <string>

#include "uninstall/remove_self.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--remove-self") {
    try {
      setup::RemoveSelf(argv[2]);
      return 0;
    } catch (const std::exception&) {
      return 3;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
