// An independent reader of shell link files ([MS-SHLLINK]), written for the tests from the
// format's description: it checks the structure and gives back where the link points.
#pragma once

#include <cstdint>
#include <string>

namespace setup::testing {

struct ParsedLink {
  std::string error;  // empty when the file is a well-formed link
  std::uint32_t flags = 0;
  std::uint32_t attributes = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t showCommand = 0;
  // The target as the item ID list spells it (My Computer, drive, items), code page 1250;
  // empty without an ID list. `idListFolders` counts the items marked as folders.
  std::string idListPath;
  int idListFolders = 0;
  bool idListLastIsFolder = false;
  // LinkInfo: the local base path in the code page and, when stored, in Unicode (as 1250).
  std::string localBasePath;
  std::string localBasePathUnicode;
  std::uint32_t driveType = 0;
  // WORKING_DIR, as 1250.
  std::string workingDirectory;
  bool hasWorkingDirectory = false;
  // The target: the LinkInfo path, else the ID list path.
  std::string Target() const;
};

ParsedLink ParseLink(const std::string& bytes);

}  // namespace setup::testing
