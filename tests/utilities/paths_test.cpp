// NormalizePath, the blank strippers and ShortPathOf.
#include "install/paths.h"

#include <gtest/gtest.h>

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

TEST(StripBlanks, KeepsOneCharacterOfABlankText) {
  std::string text = "   ";
  StripBlanks(text);
  EXPECT_EQ(text, " ");
  text = " ";
  StripBlanks(text);
  EXPECT_EQ(text, " ");
  text = "";
  StripBlanks(text);
  EXPECT_EQ(text, "");
  // Leading stripping keeps the last character, trailing stripping the first.
  text = " \t";
  StripLeadingBlanks(text);
  EXPECT_EQ(text, "\t");
  text = " \t";
  StripTrailingBlanks(text);
  EXPECT_EQ(text, " ");
}

TEST(StripBlanks, RemovesOnlySpacesAndTabs) {
  std::string text = "\tx";
  StripBlanks(text);
  EXPECT_EQ(text, "x");
  text = " \t C:\\Vorlex \t";
  StripBlanks(text);
  EXPECT_EQ(text, "C:\\Vorlex");
  text = "\n x";
  StripLeadingBlanks(text);
  EXPECT_EQ(text, "\n x");
  text = "x \r";
  StripTrailingBlanks(text);
  EXPECT_EQ(text, "x \r");
  text = " in  side ";
  StripBlanks(text);
  EXPECT_EQ(text, "in  side");
}

using ShortPathOfTest = testing::PrefixTest;

TEST_F(ShortPathOfTest, MissingPathComesBackUnchanged) {
  const std::string missing = At("no such folder\\deeper");
  EXPECT_EQ(ShortPathOf(missing), missing);
}

TEST_F(ShortPathOfTest, ExistingPathNamesTheSameFolder) {
  const std::string folder = At("Long Folder Name");
  testing::MakeFolder(folder);
  testing::WriteText(folder + "\\marker.txt", "x");
  const std::string shortPath = ShortPathOf(folder);
  ASSERT_FALSE(shortPath.empty());
  EXPECT_TRUE(testing::Exists(shortPath + "\\marker.txt")) << shortPath;
}

TEST_F(ShortPathOfTest, OverlongPathIsNotCut) {
  // A cut path would name a folder above the one meant.
  std::string path = Work();
  while (path.size() <= 300) path += "\\segment";
  EXPECT_EQ(ShortPathOf(path), path);
}

}  // namespace
}  // namespace setup
