// The product's entry in the system's list of installed programs (Apps & features, "Add or
// remove programs"): the key kAppsEntryKey below in HKEY_CURRENT_USER. The install writes it
// right after the installation record, the uninstall deletes it together with the record;
// the record itself does not change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace setup {

// The entry's key, from the root of HKEY_CURRENT_USER.
inline constexpr const char* kAppsEntryKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex";

// Writes the entry for the product installed in `home` (normalised here): DisplayName,
// DisplayVersion, Publisher, InstallLocation, DisplayIcon, UninstallString and
// QuietUninstallString as REG_SZ; NoModify, NoRepair and EstimatedSize (the kilobytes below
// `home`) as REG_DWORD. Returns the empty text when all is written, otherwise the line that
// names what failed ("Registry: HKEY_CURRENT_USER\...").
std::string WriteAppsEntry(const std::string& home);

// Deletes the entry. Returns the empty text when it is gone (or was never there), otherwise
// the line that names it.
std::string DeleteAppsEntry();

// The size of every file below `folder`, in kilobytes rounded up, saturated at the DWORD's
// range; 0 for a folder that is not there, nothing when a folder cannot be listed. Links and
// junctions are counted as entries, not entered.
std::optional<std::uint32_t> KilobytesBelow(const std::string& folder);

}  // namespace setup
