// The shortcut list: the input cut into lines as the run reads "short.txt" (CR LF, LF or CR
// end a line; a last line without an end counts), each line split by ParseShortcutLine,
// whose fields must be what lies before the first three semicolons.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/install_run.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    const setup::ShortcutLine fields = setup::ParseShortcutLine(line);
    std::string expected[3];
    std::size_t from = 0;
    for (std::string& field : expected) {
      const std::size_t semicolon = line.find(';', from);
      if (semicolon == std::string::npos) break;
      field = line.substr(from, semicolon - from);
      from = semicolon + 1;
    }
    if (fields.target != expected[0] || fields.subfolder != expected[1] ||
        fields.name != expected[2]) {
      std::fprintf(stderr, "fields differ for a line of %zu bytes\n", line.size());
      std::abort();
    }
    at = end + 1;
    if (end < text.size() && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
  }
  return 0;
}
