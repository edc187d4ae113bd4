// The POSIX body's profile INI reader and writer on an arbitrary file. The first line of the
// input names a section and a key ("section|key") to read besides the fixed ones; the whole
// input is the file. Values come back within the 2047-character buffer; a value written is
// read back as written; an erased section gives the default.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/machine_input.h"
#include "platform/profile.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "profile: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = fuzz::Machine::Get().Put("setup.ini", data, size);
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string first = text.substr(0, text.find_first_of("\r\n"));
  const std::size_t bar = first.find('|');
  const std::string section = bar == std::string::npos ? "ALL" : first.substr(0, bar);
  const std::string key = bar == std::string::npos ? first : first.substr(bar + 1);

  for (const auto& [s, k] : {std::pair<std::string, std::string>{section, key},
                             {"ALL", "Label1_Caption"},
                             {"ALL.Memo6_Lines", "Count"},
                             {"all.memo6_lines", "ITEM0"},
                             {"ALL", ""}}) {
    Check(plat::ProfileGetString(s, k, "fallback", file).size() <= 2047, "value too long");
  }
  // What is written comes back, beside whatever the file held.
  if (plat::ProfileWriteString("ALL", std::string("FuzzKey"), std::string("fuzz value"), file) ==
      plat::kOk) {
    Check(plat::ProfileGetString("ALL", "FuzzKey", "", file) == "fuzz value",
          "write not read back");
    if (plat::ProfileWriteString("ALL", std::nullopt, std::nullopt, file) == plat::kOk) {
      Check(plat::ProfileGetString("ALL", "FuzzKey", "gone", file) == "gone", "section not erased");
    }
  }
  return 0;
}
