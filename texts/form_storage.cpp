#include "texts/form_storage.h"

#include <array>
#include <charconv>
#include <exception>
#include <optional>
#include <utility>

#include "platform/profile.h"
#include "platform/types.h"
#include "texts/error.h"

namespace setup {

namespace {

constexpr std::array<StoredEntry, 24> kStoredEntries = {{
    {"Label1.Caption", StoredKind::kCaption},   {"BitBtn11.Caption", StoredKind::kCaption},
    {"BitBtn12.Caption", StoredKind::kCaption}, {"Label2.Caption", StoredKind::kCaption},
    {"Label6.Caption", StoredKind::kCaption},   {"Label8.Caption", StoredKind::kCaption},
    {"Label9.Caption", StoredKind::kCaption},   {"ProgIcon.Items", StoredKind::kLines},
    {"Memo5.Lines", StoredKind::kLines},        {"Memo4.Lines", StoredKind::kLines},
    {"Memo3.Lines", StoredKind::kLines},        {"Memo2.Lines", StoredKind::kLines},
    {"Label3.Caption", StoredKind::kCaption},   {"Memo6.Lines", StoredKind::kLines},
    {"BitBtn1.Caption", StoredKind::kCaption},  {"BitBtn10.Caption", StoredKind::kCaption},
    {"BitBtn2.Caption", StoredKind::kCaption},  {"BitBtn3.Caption", StoredKind::kCaption},
    {"BitBtn4.Caption", StoredKind::kCaption},  {"BitBtn5.Caption", StoredKind::kCaption},
    {"BitBtn6.Caption", StoredKind::kCaption},  {"BitBtn7.Caption", StoredKind::kCaption},
    {"BitBtn8.Caption", StoredKind::kCaption},  {"BitBtn9.Caption", StoredKind::kCaption},
}};

bool IsTrimmed(unsigned char c) { return c <= 32; }

// A whole decimal integer with an optional sign, within 32 bits; anything else is no number.
std::optional<std::int32_t> ParseInt(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::int32_t IntOr(std::string_view text, std::int32_t fallback) {
  return ParseInt(text).value_or(fallback);
}

// The words of a position value: runs of "," and blanks separate them.
std::vector<std::string_view> PositionFields(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ',' || text[i] == ' ')) ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] != ',' && text[i] != ' ') ++i;
    if (i > start) fields.push_back(text.substr(start, i - start));
  }
  return fields;
}

std::int32_t FieldOr(const std::vector<std::string_view>& fields, std::size_t index,
                     std::int32_t fallback) {
  return index < fields.size() ? IntOr(fields[index], fallback) : fallback;
}

std::string JoinFour(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
         std::to_string(d);
}

}  // namespace

std::string StoredName(std::string_view entry, StoredKind kind) {
  std::string name(entry);
  for (char& c : name) {
    if (c == '.') c = '_';
  }
  if (kind == StoredKind::kLines) name = std::string(kStorageSection) + "." + name;
  return name;
}

std::span<const StoredEntry> StoredEntries() { return kStoredEntries; }

std::string TrimControls(std::string_view text) {
  while (!text.empty() && IsTrimmed(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsTrimmed(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

std::string QuotedForProfile(std::string_view text) {
  if (text.empty()) return std::string();
  const char first = text.front();
  const char last = text.back();
  const bool quotePair = (first == '"' || first == '\'') && last == first;
  // Reading drops blanks at both ends; quoting keeps a line's own blanks.
  const bool trimmable =
      IsTrimmed(static_cast<unsigned char>(first)) || IsTrimmed(static_cast<unsigned char>(last));
  if (quotePair || trimmable) return "\"" + std::string(text) + "\"";
  return std::string(text);
}

void FormStorage::Bind(std::vector<StoredProperty> properties, WindowBinding window) {
  properties_ = std::move(properties);
  window_ = std::move(window);
}

std::string FormStorage::Read(const std::string& section, const std::string& key,
                              const std::string& fallback) const {
  return plat::ProfileGetString(section, key, fallback, iniFileName_);
}

void FormStorage::Write(const std::string& section, const std::string& key,
                        const std::string& value) {
  if (plat::ProfileWriteString(section, key, QuotedForProfile(value), iniFileName_) != plat::kOk) {
    throw SetupError("Unable to write to " + iniFileName_);
  }
}

void FormStorage::Restore() {
  if (iniFileName_.empty()) return;
  const std::string all(kStorageSection);
  if (IntOr(Read(all, "FormVersion", "0"), 0) < 0) return;
  RestorePlacement();
  restored_ = true;
  for (const StoredProperty& property : properties_) {
    try {
      RestoreProperty(property);
    } catch (const std::exception&) {
      // One text that cannot be applied leaves the others to be applied.
    }
  }
}

void FormStorage::RestorePlacement() {
  const std::string all(kStorageSection);
  WindowPlacement placement = window_.placement();
  placement.flags = static_cast<std::uint32_t>(
      IntOr(Read(all, "Flags", ""), static_cast<std::int32_t>(placement.flags)));

  bool found = false;
  const std::string minMax = Read(all, "MinMaxPos", "");
  if (!minMax.empty()) {
    found = true;
    const auto fields = PositionFields(minMax);
    placement.minX = FieldOr(fields, 0, 0);
    placement.minY = FieldOr(fields, 1, 0);
    placement.maxX = FieldOr(fields, 2, 0);
    placement.maxY = FieldOr(fields, 3, 0);
  }
  const std::string normal = Read(all, "NormPos", "");
  if (!normal.empty()) {
    found = true;
    const auto fields = PositionFields(normal);
    // Only the position is taken; the window keeps its size.
    const std::int64_t width = std::int64_t{placement.right} - placement.left;
    const std::int64_t height = std::int64_t{placement.bottom} - placement.top;
    placement.left = FieldOr(fields, 0, placement.left);
    placement.top = FieldOr(fields, 1, placement.top);
    placement.right = static_cast<std::int32_t>(placement.left + width);
    placement.bottom = static_cast<std::int32_t>(placement.top + height);
  }
  const int screenPixels = window_.pixelsPerInch();
  if (found && IntOr(Read(all, "PixelsPerInch", ""), screenPixels) == screenPixels) {
    window_.setPlacement(placement);
  }

  switch (IntOr(Read(all, "ShowCmd", "0"), 0)) {
    case 3:
      window_.setShowState(WindowShowState::kMaximized);
      break;
    case 2:
    case 6:
    case 7:
      window_.setShowState(WindowShowState::kProgramMinimized);
      break;
    default:
      window_.setShowState(WindowShowState::kNormal);
      break;
  }
}

void FormStorage::RestoreProperty(const StoredProperty& property) {
  const std::string name = StoredName(property.entry, property.kind);
  if (property.kind == StoredKind::kCaption) {
    property.setCaption(
        TrimControls(Read(std::string(kStorageSection), name, property.getCaption())));
    return;
  }
  int count = IntOr(TrimControls(Read(name, "Count", "0")), 0);
  if (count <= 0) return;
  if (count > kMaxStoredLines) count = kMaxStoredLines;
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) lines.push_back(Read(name, "Item" + std::to_string(i), ""));
  property.setLines(lines);
}

void FormStorage::SaveAtClose() {
  if (!restored_) return;
  Save("0");
}

void FormStorage::SaveAtDestroy() {
  if (!restored_ || saved_) return;
  Save("1");
}

void FormStorage::Save(std::string_view visible) {
  const std::string all(kStorageSection);
  Write(all, "FormVersion", "0");
  const WindowPlacement placement = window_.placement();
  Write(all, "Flags", std::to_string(placement.flags));
  Write(all, "ShowCmd", std::to_string(placement.showCmd));
  Write(all, "PixelsPerInch", std::to_string(window_.pixelsPerInch()));
  Write(all, "MinMaxPos", JoinFour(placement.minX, placement.minY, placement.maxX, placement.maxY));
  Write(all, "NormPos", JoinFour(placement.left, placement.top, placement.right, placement.bottom));
  Write(all, "Visible", std::string(visible));
  for (const StoredProperty& property : properties_) SaveProperty(property);
  saved_ = true;
}

void FormStorage::SaveProperty(const StoredProperty& property) {
  const std::string name = StoredName(property.entry, property.kind);
  if (property.kind == StoredKind::kCaption) {
    Write(std::string(kStorageSection), name, TrimControls(property.getCaption()));
    return;
  }
  if (plat::ProfileWriteString(name, std::nullopt, std::nullopt, iniFileName_) != plat::kOk) {
    throw SetupError("Unable to write to " + iniFileName_);
  }
  const std::vector<std::string> lines = property.getLines();
  if (lines.empty()) return;
  Write(name, "Count", std::to_string(lines.size()));
  for (std::size_t i = 0; i < lines.size(); ++i) Write(name, "Item" + std::to_string(i), lines[i]);
}

}  // namespace setup
