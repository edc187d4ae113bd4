#include "fuzz/machine_input.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/posix/prefix.h"

namespace fuzz {

Machine& Machine::Get() {
  static Machine machine;
  return machine;
}

Machine::Machine() {
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                         ? "/dev/shm"
                                         : std::filesystem::temp_directory_path();
  prefix_ = base / ("setup-fuzz-" + std::to_string(getpid()));
  std::filesystem::create_directories(prefix_);
  setenv("SETUP_PREFIX", prefix_.c_str(), 1);
  if (!plat::posix::EnsurePrefix().ok()) {
    std::fprintf(stderr, "fuzz: the prefix %s cannot be made\n", prefix_.c_str());
    std::abort();
  }
  work_ = prefix_ / "drive_c" / "fuzz";
  std::filesystem::create_directories(work_);
}

Machine::~Machine() {
  std::error_code ignored;
  std::filesystem::remove_all(prefix_, ignored);
}

std::string Machine::Put(const std::string& name, const std::uint8_t* data,
                         std::size_t size) const {
  std::ofstream(work_ / name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return Windows(work_ / name);
}

std::string Machine::Windows(const std::filesystem::path& host) {
  return plat::posix::HostToWindows(host.string());
}

}  // namespace fuzz
