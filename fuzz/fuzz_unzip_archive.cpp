// The whole extraction of an archive file (UnzipArchive into a fresh folder): a result the
// driver may give, and nothing written beside the destination. Inputs are kept small (see the
// test's -max_len) so that the output a member may claim stays bounded.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "fuzz/machine_input.h"
#include "texts/error.h"
#include "unzip/unzip.h"

namespace {

// Every path below `root` but those below `skip`, and the registry's lock files.
std::set<std::filesystem::path> Tree(const std::filesystem::path& root,
                                     const std::filesystem::path& skip) {
  std::set<std::filesystem::path> paths;
  for (auto it = std::filesystem::recursive_directory_iterator(root);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    if (it->path() == skip) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->path().extension() != ".lock") paths.insert(it->path());
  }
  return paths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Machine& machine = fuzz::Machine::Get();
  const std::string archive = machine.Put("in.zip", data, size);
  const std::filesystem::path out = machine.work() / "out";
  std::int32_t failure = 0;
  std::int32_t result = 0;
  try {
    result = unzip::UnzipArchive(archive, fuzz::Machine::Windows(out), "*.*", nullptr, nullptr,
                                 &failure);
  } catch (const setup::SetupError&) {
    // An input/output error of the file system: a result of its own.
  }
  if (result < 0 && result != unzip::kNotAZip && result != unzip::kSeriousError) {
    std::fprintf(stderr, "UnzipArchive gave %d\n", result);
    std::abort();
  }
  // The machine outside the destination is as it was before the first run.
  static const std::set<std::filesystem::path> kBefore = Tree(machine.prefix(), out);
  if (const auto now = Tree(machine.prefix(), out); now != kBefore) {
    for (const auto& path : now) {
      if (kBefore.count(path) == 0) std::fprintf(stderr, "written: %s\n", path.c_str());
    }
    std::abort();
  }
  std::filesystem::remove_all(out);
  return 0;
}
