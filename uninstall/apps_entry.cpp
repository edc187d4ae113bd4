#include "uninstall/apps_entry.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "install/paths.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace setup {

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kProduct = "Vorlex";

std::string Named() { return std::string("Registry: HKEY_CURRENT_USER\\") + kAppsEntryKey; }

// Bytes below `folder`; folders are entered unless they are links or junctions. `ok` turns
// false when a folder cannot be listed (a missing top folder holds nothing).
std::uint64_t BytesBelow(const std::string& folder, int depth, bool& ok) {
  // The path limit bounds the depth; the bound only guards against a loop the system makes.
  constexpr int kMaxDepth = 130;
  if (depth > kMaxDepth) return 0;
  std::uint64_t total = 0;
  plat::DirSearch search(NormalizePath(folder + "\\*.*"));
  if (!search.valid()) {
    const bool missing =
        search.error() == plat::kFileNotFound || search.error() == plat::kPathNotFound;
    if (depth > 0 || !missing) ok = false;
    return 0;
  }
  do {
    const plat::FindData& entry = search.entry();
    if (entry.name == "." || entry.name == "..") continue;
    if ((entry.attributes & plat::kAttrDirectory) == 0) {
      total += entry.size;
    } else if ((entry.attributes & plat::kAttrReparsePoint) == 0) {
      total += BytesBelow(folder + "\\" + entry.name, depth + 1, ok);
    }
  } while (search.next());
  if (search.error() != plat::kNoMoreFiles) ok = false;
  return total;
}

}  // namespace

std::optional<std::uint32_t> KilobytesBelow(const std::string& folder) {
  bool ok = true;
  const std::uint64_t kilobytes = (BytesBelow(folder, 0, ok) + 1023) / 1024;
  if (!ok) return std::nullopt;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(kilobytes, 0xFFFFFFFFu));
}

std::string WriteAppsEntry(const std::string& home) {
  std::string folder = NormalizePath(home);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();  // but "C:\" stays
  const std::string program = NormalizePath(folder + "\\setup.exe");
  auto key = plat::RegKey::Create(plat::Hive::kCurrentUser, kAppsEntryKey);
  if (!key.ok()) return Named();
  const std::pair<const char*, std::string> strings[] = {
      {"DisplayName", kProduct},
      {"DisplayVersion", "2.12"},
      {"Publisher", "Korb"},
      {"InstallLocation", folder},
      {"DisplayIcon", NormalizePath(folder + "\\Vorlex.exe")},
      {"UninstallString", "\"" + program + "\" /U"},
      {"QuietUninstallString", "\"" + program + "\" /U /S"},
  };
  for (const auto& [name, value] : strings) {
    if (plat::RegSetString(key.value().get(), name, value) != plat::kOk)
      return Named() + " " + name;
  }
  const std::optional<std::uint32_t> size = KilobytesBelow(folder);
  if (!size) return Named() + " EstimatedSize";
  const std::pair<const char*, std::uint32_t> dwords[] = {
      {"NoModify", 1},
      {"NoRepair", 1},
      {"EstimatedSize", *size},
  };
  for (const auto& [name, value] : dwords) {
    if (plat::RegSetDword(key.value().get(), name, value) != plat::kOk) return Named() + " " + name;
  }
  return std::string();
}

std::string DeleteAppsEntry() {
  const auto gone = [] {
    const auto key = plat::RegKey::Open(plat::Hive::kCurrentUser, kAppsEntryKey);
    return !key.ok() && key.error == plat::kFileNotFound;
  };
  if (gone()) return std::string();
  if (auto parent = plat::RegKey::Open(plat::Hive::kCurrentUser, kUninstallKey); parent.ok()) {
    plat::RegDeleteKey(parent.value().get(), kProduct);
  }
  return gone() ? std::string() : Named();
}

}  // namespace setup
