// Creating folder paths, and whether folders and files exist.
#include "install/fileops.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support.h"
#include "texts/error.h"

namespace setup {
namespace {

using testing::IsFolder;
using testing::PathExists;
using FileOpsTest = testing::MachineTest;

TEST_F(FileOpsTest, CreatesEveryMissingFolderOfAPath) {
  testing::MakeFolder(In("a"));
  EXPECT_TRUE(ForceDirectories(In("a\\b\\c")));
  EXPECT_TRUE(IsFolder(In("a\\b")));
  EXPECT_TRUE(IsFolder(In("a\\b\\c")));
  // One trailing backslash is ignored; an existing folder counts as done.
  EXPECT_TRUE(ForceDirectories(In("x\\y\\")));
  EXPECT_TRUE(IsFolder(In("x\\y")));
  EXPECT_TRUE(ForceDirectories(In("x\\y")));
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
  EXPECT_FALSE(PathExists("ab"));
  // The parent part of "name:" is the path itself.
  EXPECT_TRUE(ForceDirectories("nodrive:"));
}

TEST_F(FileOpsTest, RelativePathWithMissingFirstFolderRaises) {
  // Its top folder has an empty parent part, which the rule treats as an empty path.
  ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
  EXPECT_THROW(ForceDirectories("fresh\\sub"), SetupError);
  EXPECT_FALSE(PathExists(In("fresh")));
  testing::MakeFolder(In("present"));
  EXPECT_TRUE(ForceDirectories("present\\sub"));
  EXPECT_TRUE(IsFolder(In("present\\sub")));
}

TEST_F(FileOpsTest, FailureOfAParentStopsTheRest) {
  testing::PutFile(In("file"), "not a folder");
  EXPECT_FALSE(ForceDirectories(In("file\\sub\\leaf")));
  EXPECT_FALSE(PathExists(In("file\\sub")));
}

TEST_F(FileOpsTest, FolderExistsOnlyForFoldersAndFileExistsOnlyForFiles) {
  testing::MakeFolder(In("folder"));
  testing::PutFile(In("file.txt"), "x");
  testing::PutFile(In("vx01.zip"), "x");
  const struct {
    bool (*exists)(const std::string&);
    std::string path;
    bool expected;
  } cases[] = {{DirectoryExists, In("folder"), true},
               {DirectoryExists, In("FOLDER\\"), true},
               {DirectoryExists, In("file.txt"), false},
               {DirectoryExists, In("missing"), false},
               {DirectoryExists, "", false},
               {FileExists, In("vx01.zip"), true},
               {FileExists, In("VX01.ZIP"), true},
               {FileExists, In("folder"), false},
               {FileExists, In("missing.zip"), false},
               {FileExists, "", false},
               // A wildcard names no single file, even when something matches it.
               {FileExists, In("*.zip"), false},
               {FileExists, In("vx0?.zip"), false}};
  for (const auto& c : cases) EXPECT_EQ(c.exists(c.path), c.expected) << c.path;
}

TEST_F(FileOpsTest, RelativeFileNameIsLookedUpInTheCurrentDirectory) {
  testing::PutFile(In("vx01.zip"), "x");
  testing::MakeFolder(In("sub"));
  ASSERT_EQ(plat::SetCurrentDirectory(Work()), plat::kOk);
  EXPECT_TRUE(FileExists("vx01.zip"));
  EXPECT_FALSE(FileExists("sub"));
  ASSERT_EQ(plat::SetCurrentDirectory(In("sub")), plat::kOk);
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
