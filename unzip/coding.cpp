// The front end: one call per archive, its result mapped to the setup's codes and texts.
#include "unzip/coding.h"

#include "texts/error.h"
#include "unzip/unzip.h"

namespace unzip {
namespace {

struct CodeText {
  std::int32_t code;
  const char* text;
};

constexpr CodeText kTexts[] = {
    {0, "Ok"},
    {-500, "Missing parameter"},
    {-100, "Serious error"},
    {-12, "File not found"},
    {-11, "File error "},
    {-9, " Error in zip format"},
    {-8, "DLL already in use, try later or use pkunzip!"},
    {-7, "File encrypted, skipped!"},
    {-6, "Format  not supported!"},
    {-5, "Aborted by user!"},
    {-4, "Error in Zip file structure!"},
    {-3, "Read error!"},
    {-2, "Write error!"},
    {-1, "CRC-Error!"},
};

}  // namespace

std::string ResultText(std::int32_t code) {
  for (const CodeText& t : kTexts) {
    if (t.code == code) return t.text;
  }
  return {};
}

std::string ExtractMessage(std::int32_t code, const std::string& archivePath) {
  return ResultText(code) + ": " + archivePath;
}

std::string ExtractMessage(std::int32_t code, const std::string& archivePath,
                           const RunFailure& why) {
  std::string message = ExtractMessage(code, archivePath);
  std::string detail;
  if (why.code != 0 && why.code != code && !ResultText(why.code).empty()) {
    detail = ResultText(why.code);
  }
  const auto add = [&detail](const std::string& part) {
    if (part.empty()) return;
    if (!detail.empty()) detail += ": ";
    detail += part;
  };
  if (!why.reason.empty() || !detail.empty()) add(why.member);
  add(why.reason);
  if (!detail.empty()) message += " (" + detail + ")";
  return message;
}

std::int32_t ExtractArchive(const std::string& archivePath, const std::string& destination,
                            RunFailure* why, const ReportProc& progress) {
  std::int32_t failure = 0;
  const std::int32_t result =
      UnzipArchive(archivePath, destination, "*.*", progress, nullptr, &failure, why);
  if (result < 0) return !ResultText(result).empty() ? result : 0;
  // The run went through: it succeeded unless its directory could not be read or a member
  // stopped it.
  if (failure == kBadHuffmanHeader) return kStructureError;
  if (failure < 0 && !ResultText(failure).empty()) return failure;
  return 0;
}

}  // namespace unzip
