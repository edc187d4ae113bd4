// NormalizePath, the blank strippers and ShortPathOf.
#include "install/paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <utility>

#include "support.h"

namespace setup {
namespace {

TEST(NormalizePath, CollapsesEveryRunOfBackslashes) {
  EXPECT_EQ(NormalizePath("C:\\\\a\\\\\\b\\"), "C:\\a\\b\\");
  EXPECT_EQ(NormalizePath("\\\\server\\share\\dir"), "\\server\\share\\dir");
  EXPECT_EQ(NormalizePath("C:\\Vorlex\\\\\\\\"), "C:\\Vorlex\\");
  EXPECT_EQ(NormalizePath("\\\\\\"), "\\");
  // A folder ending in "\" joined with a suffix starting with "\" gives one separator.
  EXPECT_EQ(NormalizePath(std::string("C:\\Program Files\\") + "\\Vorlex"),
            "C:\\Program Files\\Vorlex");
}

TEST(NormalizePath, LeavesEverythingElseAlone) {
  EXPECT_EQ(NormalizePath(""), "");
  EXPECT_EQ(NormalizePath("C:\\a\\b"), "C:\\a\\b");
  EXPECT_EQ(NormalizePath("c:/x//Y z\\.\\..\\ \\"), "c:/x//Y z\\.\\..\\ \\");
  EXPECT_EQ(NormalizePath("relative\\name"), "relative\\name");
  const std::string accented = "C:\\P\xF8\xEDru\xE8ky\\\x9Alu\x9D";  // code page 1250 bytes
  EXPECT_EQ(NormalizePath(accented), accented);
}

// The text after `strip` has worked on it in place.
std::string After(void (*strip)(std::string&), std::string text) {
  strip(text);
  return text;
}

// A blank text keeps one character (leading stripping the last, trailing stripping the
// first); only spaces and tabs are removed.
TEST(StripBlanks, KeepsOneCharacterOfABlankTextAndRemovesOnlySpacesAndTabs) {
  for (const auto& [strip, text, expected] : {std::tuple{&StripBlanks, "   ", " "},
                                              {StripBlanks, " ", " "},
                                              {StripBlanks, "", ""},
                                              {StripLeadingBlanks, " \t", "\t"},
                                              {StripTrailingBlanks, " \t", " "},
                                              {StripBlanks, "\tx", "x"},
                                              {StripBlanks, " \t C:\\Vorlex \t", "C:\\Vorlex"},
                                              {StripLeadingBlanks, "\n x", "\n x"},
                                              {StripTrailingBlanks, "x \r", "x \r"},
                                              {StripBlanks, " in  side ", "in  side"},
                                              {StripLeadingBlanks, "  x  ", "x  "},
                                              {StripTrailingBlanks, "  x  ", "  x"}}) {
    EXPECT_EQ(After(strip, text), expected) << '"' << text << '"';
  }
}

using ShortPathOfTest = testing::MachineTest;

TEST_F(ShortPathOfTest, MissingPathComesBackUnchanged) {
  const std::string missing = In("no such folder\\deeper");
  EXPECT_EQ(ShortPathOf(missing), missing);
}

TEST_F(ShortPathOfTest, ExistingPathNamesTheSameFolder) {
  const std::string folder = In("Long Folder Name");
  testing::MakeFolder(folder);
  testing::PutFile(folder + "\\marker.txt", "x");
  const std::string shortPath = ShortPathOf(folder);
  ASSERT_FALSE(shortPath.empty());
  EXPECT_TRUE(testing::PathExists(shortPath + "\\marker.txt")) << shortPath;
}

TEST_F(ShortPathOfTest, OverlongPathIsNotCut) {
  // A cut path would name a folder above the one meant.
  std::string path = Work();
  while (path.size() <= 300) path += "\\segment";
  EXPECT_EQ(ShortPathOf(path), path);
}

// The one rule for paths from untrusted text: each kept input gives its path, each refused
// one nothing.
template <class Confine>
void ExpectConfinement(Confine confine,
                       std::initializer_list<std::pair<std::string, std::string>> kept,
                       std::initializer_list<std::string> refused) {
  for (const auto& [input, expected] : kept) {
    EXPECT_EQ(confine(input), expected) << '"' << input << '"';
  }
  for (const std::string& input : refused) {
    EXPECT_EQ(confine(input), std::nullopt) << '"' << input << '"';
  }
}

TEST(Confinement, SubpathsStayBelowTheirFolder) {
  ExpectConfinement(ConfinedSubpath,
                    {{"", ""},
                     {"\\", ""},
                     {"Tools", "\\Tools"},
                     {"\\Tools\\\\Deep\\", "\\Tools\\Deep"},
                     {"/Tools/Sub", "\\Tools\\Sub"},
                     {"\\P\xF8\xEDru\xE8ky", "\\P\xF8\xEDru\xE8ky"},
                     {"\\a.b\\.hidden", "\\a.b\\.hidden"},
                     {"\\COM", "\\COM"},
                     {"\\CONSOLE", "\\CONSOLE"},
                     {"\\COM10", "\\COM10"}},
                    {"\\..",       "\\Tools/../../StartUp",
                     "\\.",        "\\...",
                     "\\x.",       "\\x ",
                     "\\C:\\x",    "\\x:stream",
                     "\\CON",      "\\con.txt",
                     "\\Nul .lnk", "\\COM1",
                     "\\lpt9.x",   "\\COM\xB9",
                     "\\CONOUT$",  "\\a*b",
                     "\\a?b",      "\\a\"b",
                     "\\a|b",      "\\a<b>",
                     "\\a\x01",    "\\a\tb"});
}

TEST(Confinement, AbsoluteFoldersArePlainDrivePaths) {
  ExpectConfinement(ConfinedAbsolute,
                    {{"C:\\Program Files\\Vorlex", "C:\\Program Files\\Vorlex"},
                     {"d:/Apps//Vorlex/", "d:\\Apps\\Vorlex"},
                     {"C:\\", "C:\\"}},
                    {"C:", "C:Vorlex", "\\Vorlex", "\\\\server\\share\\Vorlex", "Vorlex", "",
                     " C:\\Vorlex", "C:\\Vorlex\\..", "C:\\Vorlex\\..\\..\\Windows", "C:\\Vorlex.",
                     "C:\\Vorlex:stream", "C:\\NUL", "1:\\x"});
}

}  // namespace
}  // namespace setup
