// Creating folder paths, and whether folders and files exist.
#include "install/fileops.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support.h"
#include "texts/error.h"

namespace setup {
namespace {

using testing::Exists;
using testing::IsFolder;
using FileOpsTest = testing::PrefixTest;

TEST_F(FileOpsTest, CreatesEveryMissingFolderOfAPath) {
  testing::MakeFolder(At("a"));
  EXPECT_TRUE(ForceDirectories(At("a\\b\\c")));
  EXPECT_TRUE(IsFolder(At("a\\b")));
  EXPECT_TRUE(IsFolder(At("a\\b\\c")));
  // One trailing backslash is ignored; an existing folder counts as done.
  EXPECT_TRUE(ForceDirectories(At("x\\y\\")));
  EXPECT_TRUE(IsFolder(At("x\\y")));
  EXPECT_TRUE(ForceDirectories(At("x\\y")));
}

TEST_F(FileOpsTest, EmptyPathRaises) {
  try {
    ForceDirectories("");
    FAIL() << "no error raised";
  } catch (const SetupError& error) {
    EXPECT_STREQ(error.what(), "Unable to create directory");
  }
  // A lone backslash loses it as the trailing one and leaves a path too short to create.
  EXPECT_TRUE(ForceDirectories("\\"));
}

TEST_F(FileOpsTest, ShortPathsAndDriveRootsCountAsDone) {
  EXPECT_TRUE(ForceDirectories("C:"));
  EXPECT_TRUE(ForceDirectories("C:\\"));
  EXPECT_TRUE(ForceDirectories("ab"));
  EXPECT_FALSE(Exists("ab"));
  // The parent part of "name:" is the path itself.
  EXPECT_TRUE(ForceDirectories("nodrive:"));
}

TEST_F(FileOpsTest, RelativePathWithMissingFirstFolderRaises) {
  // Its top folder has an empty parent part, which the rule treats as an empty path.
  ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
  EXPECT_THROW(ForceDirectories("fresh\\sub"), SetupError);
  EXPECT_FALSE(Exists(At("fresh")));
  testing::MakeFolder(At("present"));
  EXPECT_TRUE(ForceDirectories("present\\sub"));
  EXPECT_TRUE(IsFolder(At("present\\sub")));
}

TEST_F(FileOpsTest, FailureOfAParentStopsTheRest) {
  testing::WriteText(At("file"), "not a folder");
  EXPECT_FALSE(ForceDirectories(At("file\\sub\\leaf")));
  EXPECT_FALSE(Exists(At("file\\sub")));
}

TEST_F(FileOpsTest, FolderExistsOnlyForFolders) {
  testing::MakeFolder(At("folder"));
  testing::WriteText(At("file.txt"), "x");
  EXPECT_TRUE(DirectoryExists(At("folder")));
  EXPECT_TRUE(DirectoryExists(At("FOLDER\\")));
  EXPECT_FALSE(DirectoryExists(At("file.txt")));
  EXPECT_FALSE(DirectoryExists(At("missing")));
  EXPECT_FALSE(DirectoryExists(""));
}

TEST_F(FileOpsTest, FileExistsOnlyForFiles) {
  testing::MakeFolder(At("folder"));
  testing::WriteText(At("vx01.zip"), "x");
  EXPECT_TRUE(FileExists(At("vx01.zip")));
  EXPECT_TRUE(FileExists(At("VX01.ZIP")));
  EXPECT_FALSE(FileExists(At("folder")));
  EXPECT_FALSE(FileExists(At("missing.zip")));
  EXPECT_FALSE(FileExists(""));
  // A wildcard names no single file, even when something matches it.
  EXPECT_FALSE(FileExists(At("*.zip")));
  EXPECT_FALSE(FileExists(At("vx0?.zip")));
}

TEST_F(FileOpsTest, RelativeFileNameIsLookedUpInTheCurrentDirectory) {
  testing::WriteText(At("vx01.zip"), "x");
  testing::MakeFolder(At("sub"));
  ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
  EXPECT_TRUE(FileExists("vx01.zip"));
  EXPECT_FALSE(FileExists("sub"));
  ASSERT_EQ(plat::SetCurrentDirectory(At("sub")), plat::kOk);
  EXPECT_FALSE(FileExists("vx01.zip"));
  EXPECT_TRUE(FileExists("..\\vx01.zip"));
}

TEST(ParentPart, EndsAtTheLastBackslashOrColon) {
  EXPECT_EQ(ParentPart("C:\\a\\b"), "C:\\a\\");
  EXPECT_EQ(ParentPart("C:\\a"), "C:\\");
  EXPECT_EQ(ParentPart("C:a"), "C:");
  EXPECT_EQ(ParentPart("name"), "");
}

}  // namespace
}  // namespace setup
