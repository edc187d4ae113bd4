// TInstallRecord: the installation record, the one piece of state that outlives a run. It is
// the key RKey + "\" + RProg in HKEY_CURRENT_USER holding the value AppDir (REG_SZ), the home
// directory exactly as RHomeDir stood when written. Each operation opens its own key and
// closes it before returning.
#pragma once

#include <string>

namespace setup {

class TInstallRecord {
 public:
  // The maker key, from the hive's root; created when missing, never deleted.
  std::string RKey = "\\software\\Korb";
  // The product name, the last component of the record key.
  std::string RProg;
  // The home directory.
  std::string RHomeDir;

  // True when the record key opens; then RHomeDir becomes its AppDir (empty when the value
  // is missing or empty). Otherwise RHomeDir keeps its value. An AppDir of a non-string type
  // raises SetupError("Invalid data type for 'AppDir'"). Writes nothing.
  bool ReadRecord();

  // Opens or creates the record key (with the keys above it) and stores AppDir = RHomeDir.
  // False when the key cannot be opened or created; a value that cannot be stored raises
  // SetupError("Failed to set data for 'AppDir'").
  bool WriteRecord();

  // Deletes the record key with all its values and every key below it, depth first. The
  // maker key stays, also when RProg is empty. Failures are silent.
  void DeleteRecord();

 private:
  std::string RecordKey() const;
};

}  // namespace setup
