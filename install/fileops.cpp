#include "install/fileops.h"

#include <vector>

#include "platform/files.h"
#include "texts/error.h"

namespace setup {

std::string ParentPart(const std::string& path) {
  std::size_t last = path.find_last_of("\\:");
  if (last == std::string::npos) return {};
  return path.substr(0, last + 1);
}

bool ForceDirectories(const std::string& path) {
  // Walks up to the first folder that counts as present, then creates downwards. Done
  // iteratively so a path with very many levels cannot exhaust the stack; the order of the
  // checks, the raise and the creations is that of the recursive rule.
  std::vector<std::string> missing;
  std::string dir = path;
  for (;;) {
    if (dir.empty()) throw SetupError("Unable to create directory");
    if (dir.back() == '\\') dir.pop_back();
    if (dir.size() < 3 || DirectoryExists(dir)) break;
    std::string parent = ParentPart(dir);
    if (parent == dir) break;
    missing.push_back(dir);
    dir = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (plat::CreateDirectory(*it) != plat::kOk) return false;
  }
  return true;
}

bool DirectoryExists(const std::string& path) {
  auto attributes = plat::FileAttributes(path);
  return attributes.ok() && attributes.value() != plat::kInvalidAttributes &&
         (attributes.value() & plat::kAttrDirectory) != 0;
}

bool FileExists(const std::string& name) {
  if (name.empty() || name.find_first_of("*?") != std::string::npos) return false;
  plat::DirSearch search(name);
  return search.valid() && (search.entry().attributes & plat::kAttrDirectory) == 0;
}

}  // namespace setup
