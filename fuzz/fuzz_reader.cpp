// The central directory reader on an archive file: every entry it yields has a name of at
// most 259 characters without "/", the walk ends, and the totals and the zip test run.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/machine_input.h"
#include "unzip/unzip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::Machine::Get().Put("in.zip", data, size);
  unzip::EntryRecord entry;
  std::int32_t r = unzip::FirstEntry(path, entry);
  if (r != unzip::kUnzipOk && r != unzip::kZipFormatError && r != unzip::kNoMoreEntries &&
      r != unzip::kFileError) {
    std::fprintf(stderr, "FirstEntry gave %d\n", r);
    std::abort();
  }
  // Each entry takes at least 46 bytes of the file.
  for (std::size_t n = 0; r == unzip::kUnzipOk; ++n, r = unzip::NextEntry(entry)) {
    const std::size_t length = strnlen(entry.FileName, sizeof entry.FileName);
    if (length > unzip::kMaxPath || std::memchr(entry.FileName, '/', length) != nullptr ||
        n > size / 46) {
      std::fprintf(stderr, "entry %zu: bad name or too many entries\n", n);
      std::abort();
    }
    unzip::MatchesMask("*.TXT", entry.FileName);
    unzip::MatchesMask("v*", entry.FileName);
  }
  unzip::CloseEntries(entry);
  std::int64_t compressed = 0;
  unzip::ArchiveSizes(path, compressed);
  unzip::IsZipFile(path);
  return 0;
}
