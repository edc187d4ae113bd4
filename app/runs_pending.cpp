// Stand-ins for the install and uninstall runs until app/install_run.cpp and
// app/uninstall_run.cpp replace this file: pressing either button fails loudly.
#include <stdexcept>

#include "app/form1.h"

namespace setup {

void TForm1::BitBtn4Click(ui::TBitBtn&) {
  throw std::logic_error("the install run is not built yet");
}

void TForm1::BitBtn11Click(ui::TBitBtn&) {
  throw std::logic_error("the uninstall run is not built yet");
}

}  // namespace setup
