// FormStorage1: the text overrides of the main window in setup.ini. Restore reads them when
// the window is first shown, Save writes every listed text back when the window closes, so
// that after one run the file holds all of them. The component knows the window only through
// bindings: one StoredProperty per overridable text and a WindowBinding for the placement.
// All file access goes through the platform's private-profile functions; texts are CP1250.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

inline constexpr std::string_view kStorageSection = "ALL";

// A list longer than this is cut to it on restore: Count comes from an untrusted file and
// every line is one more read of it.
inline constexpr int kMaxStoredLines = 1024;

enum class StoredKind { kCaption, kLines };

// One overridable text of a control. `entry` is the component name, a full stop and the
// property name ("Label1.Caption", "Memo6.Lines"). A caption binds getCaption/setCaption, a
// list of lines binds getLines/setLines.
struct StoredProperty {
  std::string entry;
  StoredKind kind = StoredKind::kCaption;
  std::function<std::string()> getCaption;
  std::function<void(const std::string&)> setCaption;
  std::function<std::vector<std::string>()> getLines;
  std::function<void(const std::vector<std::string>&)> setLines;
};

// Where an entry is stored: a caption under the key "Label1_Caption" in section ALL, a list
// in a section of its own, "ALL.Memo6_Lines".
std::string StoredName(std::string_view entry, StoredKind kind);

struct StoredEntry {
  std::string_view entry;
  StoredKind kind;
};

// The overridable texts in the fixed order in which they are read and written.
std::span<const StoredEntry> StoredEntries();

// The window placement as the platform reports it (GetWindowPlacement), in screen pixels.
struct WindowPlacement {
  std::uint32_t flags = 0;
  std::int32_t showCmd = 1;  // 1 normal, 3 maximised, 2 when the whole program is minimised
  std::int32_t minX = -1, minY = -1, maxX = -1, maxY = -1;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle
};

enum class WindowShowState { kNormal, kMaximized, kProgramMinimized };

struct WindowBinding {
  std::function<WindowPlacement()> placement;
  // Applies flags, the minimised and maximised positions and the normal rectangle.
  std::function<void(const WindowPlacement&)> setPlacement;
  std::function<int()> pixelsPerInch;  // the screen's logical pixels per inch
  // kProgramMinimized minimises the whole program once the first show has finished.
  std::function<void(WindowShowState)> setShowState;
};

class FormStorage {
 public:
  // The override file: an absolute Windows path, set once at start-up.
  void SetIniFileName(std::string path) { iniFileName_ = std::move(path); }
  const std::string& IniFileName() const { return iniFileName_; }

  void Bind(std::vector<StoredProperty> properties, WindowBinding window);

  // At first show. FormVersion below 0 in the file, or no file name at all, leaves everything
  // built-in and the overrides unrestored (so nothing is ever saved). An error applying one
  // text is ignored.
  void Restore();

  // At an accepted close request (Visible=0): saves when restored. Throws SetupError
  // "Unable to write to <file>" at the first failed write; the save stops there.
  void SaveAtClose();
  // During destruction (Visible=1): saves only when restored and no save has completed.
  void SaveAtDestroy();

  bool restored() const { return restored_; }
  bool saved() const { return saved_; }

 private:
  void Save(std::string_view visible);
  void RestorePlacement();
  void RestoreProperty(const StoredProperty& property);
  void SaveProperty(const StoredProperty& property);
  void Write(const std::string& section, const std::string& key, const std::string& value);
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& fallback) const;

  std::string iniFileName_;
  std::vector<StoredProperty> properties_;
  WindowBinding window_;
  bool restored_ = false;
  bool saved_ = false;
};

// The value a Write puts in the file for `text` so that reading it back gives `text`: wrapped
// in double quotes when it begins and ends with the same quotation mark, or when it begins or
// ends with a character that reading would trim (codes 0 to 32); otherwise unchanged.
std::string QuotedForProfile(std::string_view text);

// `text` without the characters of codes 0 to 32 at both ends.
std::string TrimControls(std::string_view text);

}  // namespace setup
