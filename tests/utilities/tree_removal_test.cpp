// DeleteFiles and RemoveTree on real folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#ifndef _WIN32
#include <filesystem>
#include <fstream>
#endif

#include "platform/files.h"
#include "support.h"
#include "uninstall/tree_removal.h"

namespace setup {
namespace {

using testing::IsFolder;
using testing::MakeFolder;
using testing::PathExists;
using testing::PutFile;

class TreeRemovalTest : public testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    LogProc = [this](const std::string& line) { log_.push_back(line); };
  }
  void TearDown() override {
    LogProc = [](const std::string&) {};
    MachineTest::TearDown();
  }

  // Builds top\mid\low with two files at each level; returns top.
  std::string BuildTree() {
    const std::string top = In("top");
    MakeFolder(top);
    MakeFolder(top + "\\mid");
    MakeFolder(top + "\\mid\\low");
    for (const std::string& dir : {top, top + "\\mid", top + "\\mid\\low"}) {
      PutFile(dir + "\\one.txt", "1");
      PutFile(dir + "\\two.dat", "22");
    }
    return top;
  }

  std::size_t LogIndex(const std::string& line) const {
    return std::find(log_.begin(), log_.end(), line) - log_.begin();
  }

  std::vector<std::string> log_;
};

TEST_F(TreeRemovalTest, EmptyFolderIsRemoved) {
  MakeFolder(In("empty"));
  RemoveTree(In("empty"));
  EXPECT_FALSE(PathExists(In("empty")));
  EXPECT_TRUE(log_.empty());
}

TEST_F(TreeRemovalTest, RemovesATreeDepthFirstAndLogsEveryAttempt) {
  const std::string top = BuildTree();
  RemoveTree(top);
  EXPECT_FALSE(PathExists(top));
  EXPECT_TRUE(IsFolder(Work()));
  // Each folder's files go before its subfolders are entered; a subfolder entry fails as a file.
  const std::size_t topFile = LogIndex("Delete file: " + top + "\\one.txt > OK");
  const std::size_t midEntry = LogIndex("Delete file: " + top + "\\mid >Error");
  const std::size_t midFile = LogIndex("Delete file: " + top + "\\mid\\two.dat > OK");
  const std::size_t lowEntry = LogIndex("Delete file: " + top + "\\mid\\low >Error");
  const std::size_t lowFile = LogIndex("Delete file: " + top + "\\mid\\low\\one.txt > OK");
  ASSERT_LT(lowFile, log_.size());
  ASSERT_LT(midEntry, log_.size());
  ASSERT_LT(lowEntry, log_.size());
  EXPECT_LT(topFile, midFile);
  EXPECT_LT(midFile, lowFile);
  EXPECT_EQ(log_.size(), 8u);
}

TEST_F(TreeRemovalTest, TrailingBackslashAndBlanksAreIgnored) {
  std::string top = BuildTree();
  RemoveTree(top + "\\");
  EXPECT_FALSE(PathExists(top));
  top = BuildTree();
  RemoveTree(" \t " + top + "\\ \t");
  EXPECT_FALSE(PathExists(top));
  // Log lines name the prepared folder.
  EXPECT_LT(LogIndex("Delete file: " + top + "\\one.txt > OK"), log_.size());
}

TEST_F(TreeRemovalTest, ReadOnlyFileKeepsItsFoldersInPlace) {
  const std::string top = BuildTree();
  const std::string locked = top + "\\mid\\low\\locked.txt";
  PutFile(locked, "keep");
  ASSERT_EQ(plat::SetFileAttributes(locked, plat::kAttrReadOnly), plat::kOk);
  RemoveTree(top);
  EXPECT_TRUE(PathExists(locked));
  EXPECT_FALSE(PathExists(top + "\\one.txt"));
  EXPECT_FALSE(PathExists(top + "\\mid\\two.dat"));
  EXPECT_FALSE(PathExists(top + "\\mid\\low\\one.txt"));
  EXPECT_LT(LogIndex("Delete file: " + locked + " >Error"), log_.size());
}

TEST_F(TreeRemovalTest, HiddenSubfolderIsNotEntered) {
  const std::string top = BuildTree();
  const std::string hidden = top + "\\mid\\.hidden";
  MakeFolder(hidden);
  PutFile(hidden + "\\inside.txt", "x");
  ASSERT_EQ(plat::SetFileAttributes(hidden, plat::kAttrHidden | plat::kAttrDirectory), plat::kOk);
  RemoveTree(top);
  EXPECT_TRUE(PathExists(hidden + "\\inside.txt"));
  EXPECT_TRUE(IsFolder(top + "\\mid"));
  EXPECT_FALSE(PathExists(top + "\\mid\\low"));
  EXPECT_FALSE(PathExists(top + "\\mid\\one.txt"));
  EXPECT_FALSE(PathExists(top + "\\one.txt"));
}

TEST_F(TreeRemovalTest, NothingHappensWithoutAFolder) {
  PutFile(In("file.txt"), "x");
  RemoveTree(In("file.txt"));
  RemoveTree(In("missing"));
  RemoveTree("");
  DeleteFiles(In("file.txt"), "*.*");
  DeleteFiles("", "*.*");
  EXPECT_TRUE(PathExists(In("file.txt")));
  EXPECT_TRUE(log_.empty());
}

TEST_F(TreeRemovalTest, BlankTextIsNotTheCurrentDirectory) {
  // Stripping keeps one blank, which a system dropping trailing blanks of a name resolves
  // to the current directory (the work folder here).
  PutFile(In("file.txt"), "x");
  MakeFolder(In("sub"));
  for (const char* blank : {" ", "   ", "\t", " \t ", " \\ ", "\\"}) {
    RemoveTree(blank);
    DeleteFiles(blank, "*.*");
  }
  EXPECT_TRUE(PathExists(In("file.txt")));
  EXPECT_TRUE(IsFolder(In("sub")));
  EXPECT_TRUE(log_.empty());
}

TEST_F(TreeRemovalTest, DeleteFilesTakesTheMaskAndDoesNotDescend) {
  const std::string top = BuildTree();
  DeleteFiles(top, "*.txt");
  EXPECT_FALSE(PathExists(top + "\\one.txt"));
  EXPECT_TRUE(PathExists(top + "\\two.dat"));
  EXPECT_TRUE(PathExists(top + "\\mid\\one.txt"));
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_EQ(log_[0], "Delete file: " + top + "\\one.txt > OK");
}

#ifndef _WIN32
// Links are never followed: a link to a folder or a file, anywhere in the tree or as the
// tree's own top, goes as the entry it is, and what it points at stays whole.
TEST_F(TreeRemovalTest, LinksAreRemovedAsEntriesAndNeverEntered) {
  namespace fs = std::filesystem;
  const char* prefix = std::getenv("SETUP_PREFIX");
  ASSERT_NE(prefix, nullptr);
  const fs::path host = fs::path(prefix) / "outside";
  std::string windows = "Z:" + host.string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  struct Case {
    const char* what;
    std::vector<std::string> folders;                        // below host, "/" separated
    std::vector<std::pair<std::string, std::string>> links;  // link, target (below host)
    std::string top;                                         // handed to RemoveTree
    bool topStays;                                           // the top folder remains
  };
  const Case cases[] = {
      {"a folder link in the tree", {"tree/sub"}, {{"tree/link", "precious"}}, "tree", false},
      {"a folder link deep down", {"tree/a/b"}, {{"tree/a/b/link", "precious"}}, "tree", false},
      {"a file link", {"tree"}, {{"tree/file.lnk", "precious/data.txt"}}, "tree", false},
      {"the top is a folder link", {}, {{"tree", "precious"}}, "tree", false},
      {"a link to the tree's parent", {"tree"}, {{"tree/up", "."}}, "tree", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(host);
    fs::create_directories(host / "precious");
    std::ofstream(host / "precious" / "data.txt") << "keep";
    for (const std::string& folder : c.folders) {
      fs::create_directories(host / folder);
      std::ofstream(host / folder / "file.txt") << "go";
    }
    for (const auto& [link, target] : c.links) fs::create_symlink(host / target, host / link);

    RemoveTree(windows + "\\" + c.top);

    EXPECT_EQ(fs::exists(fs::symlink_status(host / c.top)), c.topStays);
    EXPECT_TRUE(fs::exists(host / "precious" / "data.txt"));
  }
  fs::remove_all(host);
}

// DeleteFile refuses a link to a folder, as Windows refuses a junction: it goes with
// RemoveDirectory, which takes the link alone; a link to a file goes with DeleteFile.
TEST_F(TreeRemovalTest, DeleteFileRefusesAFolderLinkAndRemoveDirectoryTakesTheLinkAlone) {
  namespace fs = std::filesystem;
  const fs::path host = fs::path(std::getenv("SETUP_PREFIX")) / "links";
  fs::remove_all(host);
  fs::create_directories(host / "target");
  std::ofstream(host / "target" / "data.txt") << "keep";
  fs::create_directory_symlink(host / "target", host / "folder");
  fs::create_symlink(host / "target" / "data.txt", host / "file");
  std::string windows = "Z:" + host.string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  const auto attributes = plat::FileAttributes(windows + "\\folder");
  ASSERT_TRUE(attributes.ok());
  EXPECT_EQ(attributes.value() & (plat::kAttrReparsePoint | plat::kAttrDirectory),
            plat::kAttrReparsePoint | plat::kAttrDirectory);
  EXPECT_EQ(plat::DeleteFile(windows + "\\folder"), plat::kAccessDenied);
  EXPECT_EQ(plat::DeleteFile(windows + "\\file"), plat::kOk);
  EXPECT_EQ(plat::RemoveDirectory(windows + "\\folder"), plat::kOk);
  EXPECT_FALSE(fs::exists(fs::symlink_status(host / "folder")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(host / "file")));
  EXPECT_TRUE(fs::exists(host / "target" / "data.txt"));
  fs::remove_all(host);
}
#endif

}  // namespace
}  // namespace setup
