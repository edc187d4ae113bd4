// The overridable texts of the main window bound to its controls, for FormStorage1.
#pragma once

#include <vector>

#include "texts/form_storage.h"

namespace setup {

class TForm1;

// One StoredProperty per entry of StoredEntries(), in that order, reading and writing the
// window's captions and lists of lines in place.
std::vector<StoredProperty> StoredPropertiesOf(TForm1& form);

}  // namespace setup
