// What only the Win32 platform body does, on a Windows system (run under Wine): links made
// by the shell's own link object, the COM failure text, the time a DOS date stands for,
// environment values. The behaviour both bodies share is in tests/platform.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win.h"
// The shell's headers need <windows.h> first.
#include <objbase.h>
#include <shlobj.h>

#include "platform/services.h"
#include "platform/win32/com_ptr.h"
#include "uninstall/tree_removal.h"

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveTree(const std::string& dir) {
  std::vector<std::string> names;
  plat::DirSearch s(dir + "\\*.*");
  if (s.valid()) {
    do {
      if (s.entry().name != "." && s.entry().name != "..") names.push_back(s.entry().name);
    } while (s.next());
  }
  for (const auto& name : names) {
    std::string path = dir + "\\" + name;
    auto a = plat::FileAttributes(path);
    if (a.ok() && (a.value() & plat::kAttrDirectory)) {
      RemoveTree(path);
    } else {
      plat::SetFileAttributes(path, plat::kAttrNormal);
      plat::DeleteFile(path);
    }
  }
  plat::RemoveDirectory(dir);
}

// A fresh folder in the system temp folder for each test.
class Win32Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    auto temp = plat::TempPath();
    ASSERT_TRUE(temp.ok()) << temp.error;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = temp.value() + "w32-" + std::to_string(GetCurrentProcessId()) + "-" + info->name();
    RemoveTree(dir_);
    ASSERT_EQ(plat::CreateDirectory(dir_), plat::kOk);
  }
  void TearDown() override { RemoveTree(dir_); }

  std::string dir_;
};

// Reads a link back through the shell: its target and working directory.
struct LoadedLink {
  std::string path;
  std::string workingDirectory;
};
LoadedLink LoadLink(const std::wstring& file) {
  LoadedLink out;
  plat::win32::ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.put())))
    return out;
  plat::win32::ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put()))) return out;
  if (FAILED(persist->Load(file.c_str(), STGM_READ))) return out;
  char buffer[MAX_PATH] = {};
  if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) out.path = buffer;
  buffer[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) out.workingDirectory = buffer;
  return out;
}

std::wstring Wide(const std::string& cp1250) {
  int n = MultiByteToWideChar(1250, 0, cp1250.data(), static_cast<int>(cp1250.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(1250, 0, cp1250.data(), static_cast<int>(cp1250.size()), w.data(), n);
  return w;
}

TEST_F(Win32Platform, ShellLinkIsAShellLinkFileThatLoadsBack) {
  const std::string target = dir_ + "\\vorlex.exe";
  plat::File(plat::OpenFile(target, plat::OpenMode::kCreate).value_or(plat::kNoHandle)).close();
  const std::string link = dir_ + "\\Vorlex.lnk";
  auto outcome = plat::SaveShellLink(target, dir_ + "\\", link);
  EXPECT_EQ(outcome.raisedError, "");
  EXPECT_TRUE(outcome.saved);

  const std::string bytes = Bytes(link);
  const std::string header("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20);
  ASSERT_GE(bytes.size(), header.size());
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  auto loaded = LoadLink(Wide(link));
  EXPECT_EQ(loaded.path, target);
  EXPECT_EQ(loaded.workingDirectory, dir_ + "\\");
}

// A link is saved in the folder the ANSI calls made, whatever letters of the system's code
// page its name holds: both go through that code page.
TEST_F(Win32Platform, ShellLinkIsSavedInTheFolderTheAnsiCallsMade) {
  for (const std::string name : {"P\xF8\xEDru\xE8ka", "Espa\xF1ol \xF8", "\xC0\xE9\xFC\x9A"}) {
    const std::string folder = dir_ + "\\" + name;
    ASSERT_EQ(plat::CreateDirectory(folder), plat::kOk) << name;
    auto outcome =
        plat::SaveShellLink(folder + "\\x.exe", folder + "\\", folder + "\\" + name + ".lnk");
    EXPECT_TRUE(outcome.saved) << name;
    EXPECT_TRUE(plat::FileAttributes(folder + "\\" + name + ".lnk").ok()) << name;
  }
}

// Attributes the system reports for a path, with a link made by hand where the system
// cannot make one: the named folder then reports itself as a folder link.
std::string gLinkedFolder;
plat::Services gSystem;
std::uint32_t AsLink(const std::string& name, std::uint32_t attributes) {
  return name == "link" ? attributes | plat::kAttrReparsePoint : attributes;
}

// RemoveTree takes a link or junction as the entry it is: what it leads to stays whole. Under
// Wine 8, which makes no symbolic link or junction, the folder is marked as one through the
// service table, so the Win32 body's attributes drive the same decision.
TEST_F(Win32Platform, TreeRemovalNeverEntersALinkOrJunction) {
  const std::string target = dir_ + "\\precious";
  const std::string tree = dir_ + "\\tree";
  ASSERT_EQ(plat::CreateDirectory(target), plat::kOk);
  ASSERT_EQ(plat::CreateDirectory(tree), plat::kOk);
  plat::File(
      plat::OpenFile(target + "\\data.txt", plat::OpenMode::kCreate).value_or(plat::kNoHandle))
      .close();
  plat::File(plat::OpenFile(tree + "\\file.txt", plat::OpenMode::kCreate).value_or(plat::kNoHandle))
      .close();
  const std::string link = tree + "\\link";
  // Wine 8 reports a folder link as made but leaves an entry that names nothing: only a link
  // that reports itself as a reparse point counts.
  const bool made =
      CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) != 0;
  const DWORD error = made ? 0 : GetLastError();
  const auto linkAttributes = plat::FileAttributes(link);
  const bool real = linkAttributes.ok() && (linkAttributes.value() & plat::kAttrReparsePoint) != 0;
  std::optional<plat::ScopedServices> marked;
  if (real) {
    EXPECT_EQ(plat::DeleteFile(link), plat::kAccessDenied) << "a folder link is no file";
  } else {
    std::printf(
        "[ note     ] no usable folder link here (made %d, error %lu): the link is marked\n",
        made ? 1 : 0, error);
    DeleteFileA(link.c_str());
    RemoveDirectoryA(link.c_str());
    // A real folder that holds a file stands for the link.
    ASSERT_EQ(plat::CreateDirectory(link), plat::kOk);
    plat::File(
        plat::OpenFile(link + "\\behind.txt", plat::OpenMode::kCreate).value_or(plat::kNoHandle))
        .close();
    gSystem = plat::services();
    plat::Services table = gSystem;
    table.findFirst = [](const std::string& pattern, plat::FindData& first) {
      auto found = gSystem.findFirst(pattern, first);
      first.attributes = AsLink(first.name, first.attributes);
      return found;
    };
    table.findNext = [](plat::Handle search, plat::FindData& next) {
      const std::uint32_t code = gSystem.findNext(search, next);
      next.attributes = AsLink(next.name, next.attributes);
      return code;
    };
    table.fileAttributes = [](const std::string& path) {
      auto attributes = gSystem.fileAttributes(path);
      if (attributes.ok())
        attributes.value() = AsLink(path.substr(path.rfind('\\') + 1), attributes.value());
      return attributes;
    };
    marked.emplace(table);
  }

  setup::RemoveTree(tree);
  setup::RemoveTree(link);  // handed a link itself

  EXPECT_TRUE(plat::FileAttributes(target + "\\data.txt").ok());
  EXPECT_FALSE(plat::FileAttributes(tree + "\\file.txt").ok());
  if (!real) {
    EXPECT_TRUE(plat::FileAttributes(link + "\\behind.txt").ok()) << "entered";
  }
}

TEST_F(Win32Platform, ShellLinkReplacesAnExistingFileAndIgnoresAMissingFolder) {
  const std::string link = dir_ + "\\a.lnk";
  {
    plat::File f(plat::OpenFile(link, plat::OpenMode::kCreate).value_or(plat::kNoHandle));
    ASSERT_EQ(plat::WriteFile(f.get(), "old", 3).error, plat::kOk);
  }
  EXPECT_TRUE(plat::SaveShellLink("C:\\x\\y.exe", "C:\\x\\", link).saved);
  EXPECT_EQ(LoadLink(Wide(link)).path, "C:\\x\\y.exe");

  auto missing = plat::SaveShellLink("C:\\x\\y.exe", "C:\\x\\", dir_ + "\\no\\a.lnk");
  EXPECT_EQ(missing.raisedError, "");
  EXPECT_FALSE(missing.saved);
}

TEST(Win32ShellLink, WithoutComTheSystemsTextIsRaised) {
  // A thread of its own, where COM was never initialised: the link object cannot be made.
  plat::ShellLinkOutcome outcome;
  std::thread([&] { outcome = plat::SaveShellLink("C:\\x.exe", "C:\\", "C:\\never.lnk"); }).join();
  EXPECT_NE(outcome.raisedError, "");
  EXPECT_NE(outcome.raisedError.back(), '.');
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(plat::FileAttributes("C:\\never.lnk").error, plat::kFileNotFound);
}

// The last-write time as a DOS date and time in local time.
std::pair<WORD, WORD> DosTimeOf(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME utc{}, local{};
  WORD date = 0, time = 0;
  if (h != INVALID_HANDLE_VALUE && GetFileTime(h, nullptr, nullptr, &utc) &&
      FileTimeToLocalFileTime(&utc, &local))
    FileTimeToDosDateTime(&local, &date, &time);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return {date, time};
}

TEST_F(Win32Platform, DosTimeStampIsLocalTimeAndInvalidDatesAreRefused) {
  const std::string path = dir_ + "\\member.txt";
  plat::File(plat::OpenFile(path, plat::OpenMode::kCreate).value_or(plat::kNoHandle)).close();
  const std::uint16_t date = (41 << 9) | (6 << 5) | 15;    // 2021-06-15
  const std::uint16_t time = (13 << 11) | (45 << 5) | 15;  // 13:45:30
  {
    auto f = plat::File::Open(path, plat::OpenMode::kWriteAttrib);
    ASSERT_TRUE(f.ok()) << f.error;
    EXPECT_EQ(plat::SetFileTimeFromDos(f.value().get(), date, time), plat::kOk);
    EXPECT_EQ(plat::SetFileTimeFromDos(f.value().get(), (41 << 9) | (13 << 5) | 1, 0),
              plat::kInvalidParameter);
    EXPECT_EQ(plat::SetFileTimeFromDos(f.value().get(), 0, 0), plat::kInvalidParameter);
  }
  EXPECT_EQ(DosTimeOf(path), std::make_pair(WORD{date}, WORD{time}));
}

TEST(Win32Environment, EmptyVariableIsSetAndMissingOneIsNot) {
  ASSERT_TRUE(SetEnvironmentVariableA("SETUP_TEST_EMPTY", ""));
  EXPECT_EQ(plat::Environment("SETUP_TEST_EMPTY"), std::optional<std::string>(""));
  EXPECT_EQ(plat::Environment("SETUP_TEST_NEVER_SET"), std::nullopt);
  ASSERT_TRUE(SetEnvironmentVariableA("SETUP_TEST_LONG", std::string(5000, 'x').c_str()));
  EXPECT_EQ(plat::Environment("SETUP_TEST_LONG"),
            std::optional<std::string>(std::string(5000, 'x')));
}

}  // namespace
