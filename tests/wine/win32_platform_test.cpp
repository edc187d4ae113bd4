// What only the Win32 platform body does, on a Windows system (run under Wine): links made
// by the shell's own link object, the COM failure text, the time a DOS date stands for,
// environment values. The behaviour both bodies share is in tests/platform.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/win.h"
// The shell's headers need <windows.h> first.
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/com_ptr.h"

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
    if (a.ok() && (a.value & plat::kAttrDirectory)) {
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
    dir_ = temp.value + "w32-" + std::to_string(GetCurrentProcessId()) + "-" + info->name();
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
  plat::File(plat::OpenFile(target, plat::OpenMode::kCreate).value).close();
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

TEST_F(Win32Platform, ShellLinkNameIsCodePage1250WhateverTheAnsiCodePage) {
  // "Příručka.lnk" in code page 1250.
  const std::string name = "P\xF8\xEDru\xE8ka.lnk";
  auto outcome = plat::SaveShellLink(dir_ + "\\manual.pdf", dir_ + "\\", dir_ + "\\" + name);
  EXPECT_TRUE(outcome.saved);
  const std::wstring wide = Wide(dir_) + L"\\P\u0159\u00EDru\u010Dka.lnk";
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32Platform, ShellLinkReplacesAnExistingFileAndIgnoresAMissingFolder) {
  const std::string link = dir_ + "\\a.lnk";
  {
    plat::File f(plat::OpenFile(link, plat::OpenMode::kCreate).value);
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
  plat::File(plat::OpenFile(path, plat::OpenMode::kCreate).value).close();
  const std::uint16_t date = (41 << 9) | (6 << 5) | 15;    // 2021-06-15
  const std::uint16_t time = (13 << 11) | (45 << 5) | 15;  // 13:45:30
  {
    auto f = plat::File::Open(path, plat::OpenMode::kWriteAttrib);
    ASSERT_TRUE(f.ok()) << f.error;
    EXPECT_EQ(plat::SetFileTimeFromDos(f.value.get(), date, time), plat::kOk);
    EXPECT_EQ(plat::SetFileTimeFromDos(f.value.get(), (41 << 9) | (13 << 5) | 1, 0),
              plat::kInvalidParameter);
    EXPECT_EQ(plat::SetFileTimeFromDos(f.value.get(), 0, 0), plat::kInvalidParameter);
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
