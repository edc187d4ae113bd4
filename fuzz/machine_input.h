// The simulated machine of the fuzz targets that read files: a prefix and a work folder of
// this process, made on first use and removed at exit; each input is written to a file there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz {

class Machine {
 public:
  static Machine& Get();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;
  // The host folder of the prefix ($SETUP_PREFIX) and the work folder inside its drive C:.
  const std::filesystem::path& prefix() const { return prefix_; }
  const std::filesystem::path& work() const { return work_; }
  // Writes `data` to the work folder's file `name`; returns its Windows path.
  std::string Put(const std::string& name, const std::uint8_t* data, std::size_t size) const;
  // The Windows path of a host path.
  static std::string Windows(const std::filesystem::path& host);

 private:
  Machine();
  std::filesystem::path prefix_;
  std::filesystem::path work_;
};

}  // namespace fuzz
