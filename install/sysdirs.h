// TSystemDirs: where the current user's desktop and Start menu folders and a few system
// folders are, read once when the object is made and fixed from then on.
#pragma once

#include <string>

namespace setup {

class TSystemDirs {
 public:
  // Reads the environment variable TEMP, then the values of HKEY_CURRENT_USER
  // "\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" and of
  // HKEY_LOCAL_MACHINE "\SOFTWARE\Microsoft\Windows\CurrentVersion". A key that cannot be
  // opened or a missing value leaves its properties empty; a value of a non-string type
  // raises SetupError("Invalid data type for '<value name>'") and the object is not made.
  TSystemDirs();

  const std::string& WindowsDir() const { return windowsDir_; }
  const std::string& ProgramFilesDir() const { return programFilesDir_; }
  const std::string& DeskTopDir() const { return deskTopDir_; }
  const std::string& FontsDir() const { return fontsDir_; }
  const std::string& StartMenuDir() const { return startMenuDir_; }
  const std::string& StartMenuProgramsDir() const { return startMenuProgramsDir_; }
  const std::string& RecentDir() const { return recentDir_; }
  const std::string& StartMenuStartUp() const { return startMenuStartUp_; }
  const std::string& TempDir() const { return tempDir_; }

  // Values stored for the properties with a saved form land in one shared discard slot, so
  // the properties keep what the constructor found.
  void SetWindowsDir(const std::string& value) { discard_ = value; }
  void SetProgramFilesDir(const std::string& value) { discard_ = value; }
  void SetDeskTopDir(const std::string& value) { discard_ = value; }
  void SetFontsDir(const std::string& value) { discard_ = value; }
  void SetStartMenuDir(const std::string& value) { discard_ = value; }
  void SetStartMenuProgramsDir(const std::string& value) { discard_ = value; }
  void SetRecentDir(const std::string& value) { discard_ = value; }
  void SetStartMenuStartUp(const std::string& value) { discard_ = value; }
  void SetTempDir(const std::string& value) { discard_ = value; }

 private:
  std::string windowsDir_;
  std::string programFilesDir_;
  std::string deskTopDir_;
  std::string fontsDir_;
  std::string startMenuDir_;
  std::string startMenuProgramsDir_;
  std::string recentDir_;
  std::string startMenuStartUp_;
  std::string tempDir_;
  std::string discard_;
};

}  // namespace setup
