// Makes the demo payload's files with nothing beyond the build: zip archives of a folder
// tree with stored (method 0) members, and text files with Windows line ends.
//
//   payload_tool zip ARCHIVE FOLDER   every file and folder below FOLDER, names relative to it
//   payload_tool text OUTPUT INPUT    INPUT's lines ended by CR LF
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "unzip/decode_state.h"

namespace fs = std::filesystem;

namespace {

// Every member carries this time stamp (2004-06-01 12:00:00), so that the archives are the
// same at every build.
constexpr std::uint16_t kDosTime = 12 << 11;
constexpr std::uint16_t kDosDate = ((2004 - 1980) << 9) | (6 << 5) | 1;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;

struct Member {
  std::string name;  // with '/' separators; a folder's name ends with '/'
  std::string data;
  std::uint32_t crc = 0;
  std::uint32_t offset = 0;
  bool folder = false;
};

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

bool ReadWhole(const fs::path& path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWhole(const fs::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out.flush());
}

// The local header, the data, and the central directory entry of one member, as the
// application note lays them out for method 0 without a data descriptor.
void AppendHeaderFields(std::string& out, const Member& m) {
  Put16(out, m.folder ? 20 : 10);  // version needed to extract: 2.0 for folders, 1.0 else
  Put16(out, 0);                   // general purpose flags
  Put16(out, 0);                   // method: stored
  Put16(out, kDosTime);
  Put16(out, kDosDate);
  Put32(out, m.crc);
  Put32(out, static_cast<std::uint32_t>(m.data.size()));  // compressed size
  Put32(out, static_cast<std::uint32_t>(m.data.size()));  // uncompressed size
  Put16(out, static_cast<std::uint32_t>(m.name.size()));
  Put16(out, 0);  // extra field length
}

std::string ZipOf(std::vector<Member>& members) {
  std::string zip;
  for (Member& m : members) {
    m.crc = ~unzip::UpdateCrc32(0xFFFFFFFFu, reinterpret_cast<const std::uint8_t*>(m.data.data()),
                                m.data.size());
    m.offset = static_cast<std::uint32_t>(zip.size());
    Put32(zip, 0x04034B50);  // local file header signature
    AppendHeaderFields(zip, m);
    zip += m.name;
    zip += m.data;
  }
  const std::uint32_t directoryOffset = static_cast<std::uint32_t>(zip.size());
  for (const Member& m : members) {
    Put32(zip, 0x02014B50);  // central file header signature
    Put16(zip, 20);          // version made by: 2.0, MS-DOS attributes
    AppendHeaderFields(zip, m);
    Put16(zip, 0);  // file comment length
    Put16(zip, 0);  // disk number start
    Put16(zip, 0);  // internal attributes
    Put32(zip, m.folder ? kAttrDirectory : kAttrArchive);
    Put32(zip, m.offset);
    zip += m.name;
  }
  const std::uint32_t directorySize = static_cast<std::uint32_t>(zip.size()) - directoryOffset;
  Put32(zip, 0x06054B50);  // end of central directory signature
  Put16(zip, 0);           // this disk
  Put16(zip, 0);           // disk of the central directory
  Put16(zip, static_cast<std::uint32_t>(members.size()));
  Put16(zip, static_cast<std::uint32_t>(members.size()));
  Put32(zip, directorySize);
  Put32(zip, directoryOffset);
  Put16(zip, 0);  // comment length
  return zip;
}

int MakeZip(const fs::path& archive, const fs::path& folder) {
  std::vector<Member> members;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    Member m;
    m.name = it->path().lexically_relative(folder).generic_string();
    m.folder = it->is_directory();
    if (m.folder) {
      m.name += '/';
    } else if (!ReadWhole(it->path(), m.data)) {
      std::cerr << "payload_tool: cannot read " << it->path() << '\n';
      return 1;
    }
    members.push_back(std::move(m));
  }
  if (error) {
    std::cerr << "payload_tool: cannot list " << folder << ": " << error.message() << '\n';
    return 1;
  }
  std::sort(members.begin(), members.end(),
            [](const Member& a, const Member& b) { return a.name < b.name; });
  if (!WriteWhole(archive, ZipOf(members))) {
    std::cerr << "payload_tool: cannot write " << archive << '\n';
    return 1;
  }
  return 0;
}

int MakeText(const fs::path& output, const fs::path& input) {
  std::string text;
  if (!ReadWhole(input, text)) {
    std::cerr << "payload_tool: cannot read " << input << '\n';
    return 1;
  }
  std::string windows;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') windows += '\r';
    windows += c;
  }
  if (!WriteWhole(output, windows)) {
    std::cerr << "payload_tool: cannot write " << output << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "zip") return MakeZip(argv[2], argv[3]);
  if (argc == 4 && std::string(argv[1]) == "text") return MakeText(argv[2], argv[3]);
  std::cerr << "usage: payload_tool zip ARCHIVE FOLDER | text OUTPUT INPUT\n";
  return 2;
}
