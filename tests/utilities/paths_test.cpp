// NormalizePath, the blank strippers and ShortPathOf.
#include "install/paths.h"

#include <gtest/gtest.h>

#include <optional>
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

TEST(StripBlanks, KeepsOneCharacterOfABlankText) {
  EXPECT_EQ(After(StripBlanks, "   "), " ");
  EXPECT_EQ(After(StripBlanks, " "), " ");
  EXPECT_EQ(After(StripBlanks, ""), "");
  // Leading stripping keeps the last character, trailing stripping the first.
  EXPECT_EQ(After(StripLeadingBlanks, " \t"), "\t");
  EXPECT_EQ(After(StripTrailingBlanks, " \t"), " ");
}

TEST(StripBlanks, RemovesOnlySpacesAndTabs) {
  EXPECT_EQ(After(StripBlanks, "\tx"), "x");
  EXPECT_EQ(After(StripBlanks, " \t C:\\Vorlex \t"), "C:\\Vorlex");
  EXPECT_EQ(After(StripLeadingBlanks, "\n x"), "\n x");
  EXPECT_EQ(After(StripTrailingBlanks, "x \r"), "x \r");
  EXPECT_EQ(After(StripBlanks, " in  side "), "in  side");
  EXPECT_EQ(After(StripLeadingBlanks, "  x  "), "x  ");
  EXPECT_EQ(After(StripTrailingBlanks, "  x  "), "  x");
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

// The one rule for paths from untrusted text: each input with what it gives (nothing when
// refused).
TEST(Confinement, SubpathsStayBelowTheirFolder) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"", ""},
      {"\\", ""},
      {"Tools", "\\Tools"},
      {"\\Tools\\\\Deep\\", "\\Tools\\Deep"},
      {"/Tools/Sub", "\\Tools\\Sub"},
      {"\\P\xF8\xEDru\xE8ky", "\\P\xF8\xEDru\xE8ky"},
      {"\\a.b\\.hidden", "\\a.b\\.hidden"},
      {"\\..", std::nullopt},
      {"\\Tools/../../StartUp", std::nullopt},
      {"\\.", std::nullopt},
      {"\\...", std::nullopt},
      {"\\x.", std::nullopt},
      {"\\x ", std::nullopt},
      {"\\C:\\x", std::nullopt},
      {"\\x:stream", std::nullopt},
      {"\\CON", std::nullopt},
      {"\\con.txt", std::nullopt},
      {"\\Nul .lnk", std::nullopt},
      {"\\COM1", std::nullopt},
      {"\\lpt9.x", std::nullopt},
      {"\\COM\xB9", std::nullopt},
      {"\\CONOUT$", std::nullopt},
      {"\\COM", "\\COM"},
      {"\\CONSOLE", "\\CONSOLE"},
      {"\\COM10", "\\COM10"},
      {"\\a*b", std::nullopt},
      {"\\a?b", std::nullopt},
      {"\\a\"b", std::nullopt},
      {"\\a|b", std::nullopt},
      {"\\a<b>", std::nullopt},
      {std::string("\\a\x01", 3), std::nullopt},
      {"\\a\tb", std::nullopt},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(ConfinedSubpath(input), expected) << '"' << input << '"';
  }
}

TEST(Confinement, AbsoluteFoldersArePlainDrivePaths) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"C:\\Program Files\\Vorlex", "C:\\Program Files\\Vorlex"},
      {"d:/Apps//Vorlex/", "d:\\Apps\\Vorlex"},
      {"C:\\", "C:\\"},
      {"C:", std::nullopt},
      {"C:Vorlex", std::nullopt},
      {"\\Vorlex", std::nullopt},
      {"\\\\server\\share\\Vorlex", std::nullopt},
      {"Vorlex", std::nullopt},
      {"", std::nullopt},
      {" C:\\Vorlex", std::nullopt},
      {"C:\\Vorlex\\..", std::nullopt},
      {"C:\\Vorlex\\..\\..\\Windows", std::nullopt},
      {"C:\\Vorlex.", std::nullopt},
      {"C:\\Vorlex:stream", std::nullopt},
      {"C:\\NUL", std::nullopt},
      {"1:\\x", std::nullopt},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(ConfinedAbsolute(input), expected) << '"' << input << '"';
  }
}

}  // namespace
}  // namespace setup
