#include "app/form_bindings.h"

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/form1.h"

namespace setup {

namespace {

StoredProperty CaptionProperty(std::string_view entry, std::string& caption) {
  StoredProperty property;
  property.entry = std::string(entry);
  property.kind = StoredKind::kCaption;
  property.getCaption = [&caption] { return caption; };
  property.setCaption = [&caption](const std::string& text) { caption = text; };
  return property;
}

StoredProperty LinesProperty(std::string_view entry, ui::TStrings& lines) {
  StoredProperty property;
  property.entry = std::string(entry);
  property.kind = StoredKind::kLines;
  property.getLines = [&lines] { return lines.Lines(); };
  property.setLines = [&lines](const std::vector<std::string>& text) { lines.Assign(text); };
  return property;
}

}  // namespace

std::vector<StoredProperty> StoredPropertiesOf(TForm1& form) {
  const std::map<std::string_view, std::string*> captions = {
      {"Label1.Caption", &form.Label1.Caption},     {"Label2.Caption", &form.Label2.Caption},
      {"Label3.Caption", &form.Label3.Caption},     {"Label6.Caption", &form.Label6.Caption},
      {"Label8.Caption", &form.Label8.Caption},     {"Label9.Caption", &form.Label9.Caption},
      {"BitBtn1.Caption", &form.BitBtn1.Caption},   {"BitBtn2.Caption", &form.BitBtn2.Caption},
      {"BitBtn3.Caption", &form.BitBtn3.Caption},   {"BitBtn4.Caption", &form.BitBtn4.Caption},
      {"BitBtn5.Caption", &form.BitBtn5.Caption},   {"BitBtn6.Caption", &form.BitBtn6.Caption},
      {"BitBtn7.Caption", &form.BitBtn7.Caption},   {"BitBtn8.Caption", &form.BitBtn8.Caption},
      {"BitBtn9.Caption", &form.BitBtn9.Caption},   {"BitBtn10.Caption", &form.BitBtn10.Caption},
      {"BitBtn11.Caption", &form.BitBtn11.Caption}, {"BitBtn12.Caption", &form.BitBtn12.Caption},
  };
  const std::map<std::string_view, ui::TStrings*> lists = {
      {"ProgIcon.Items", &form.ProgIcon.Items}, {"Memo2.Lines", &form.Memo2.Lines},
      {"Memo3.Lines", &form.Memo3.Lines},       {"Memo4.Lines", &form.Memo4.Lines},
      {"Memo5.Lines", &form.Memo5.Lines},       {"Memo6.Lines", &form.Memo6.Lines},
  };

  std::vector<StoredProperty> properties;
  for (const StoredEntry& entry : StoredEntries()) {
    if (entry.kind == StoredKind::kCaption) {
      properties.push_back(CaptionProperty(entry.entry, *captions.at(entry.entry)));
    } else {
      properties.push_back(LinesProperty(entry.entry, *lists.at(entry.entry)));
    }
  }
  return properties;
}

}  // namespace setup
