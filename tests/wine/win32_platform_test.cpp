// What the Win32 platform body does on a Windows system (run under Wine), beyond what both
// bodies share: the mutex seen from a second process, the shell's link files, the
// bytes of a profile file, the time stamp of a DOS date, a hidden command.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/win.h"
// The shell's headers need <windows.h> first.
#include <objbase.h>
#include <shlobj.h>

#include "platform/com.h"
#include "platform/win32/com_ptr.h"

namespace {

constexpr char kProbeFlag[] = "--mutex-probe";

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

// Runs this program again as a second process that asks for the mutex `name`; its exit
// code is what the program's start-up would do: 3 when the name is taken, 0 when free.
DWORD ProbeMutexFromAnotherProcess(const std::string& name) {
  auto self = plat::ModuleFileName();
  EXPECT_TRUE(self.ok());
  std::string command = "\"" + self.value + "\" " + kProbeFlag + " " + name;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    ADD_FAILURE() << "CreateProcessA failed: " << GetLastError();
    return 0xFFFFFFFFu;
  }
  DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFFu;
  if (waited == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

int ProbeMutex(const std::string& name) {
  auto m = plat::CreateNamedMutex(name);
  plat::NamedMutex held(m.handle);
  if (m.error == plat::kAlreadyExists) return 3;
  return m.error == plat::kOk ? 0 : 4;
}

TEST(Win32Mutex, SecondProcessSeesTheNameTakenUntilTheFirstReleasesIt) {
  const std::string name = "SetupTestMutex" + std::to_string(GetCurrentProcessId());
  {
    auto m = plat::CreateNamedMutex(name);
    ASSERT_EQ(m.error, plat::kOk);
    plat::NamedMutex held(m.handle);
    EXPECT_EQ(ProbeMutexFromAnotherProcess(name), 3u);
  }
  EXPECT_EQ(ProbeMutexFromAnotherProcess(name), 0u);
}

TEST(Win32Mutex, SameProcessGetsAlreadyExistsWithAHandleToClose) {
  const std::string name = "SetupTestMutexSelf" + std::to_string(GetCurrentProcessId());
  auto first = plat::CreateNamedMutex(name);
  ASSERT_EQ(first.error, plat::kOk);
  plat::NamedMutex a(first.handle);
  auto second = plat::CreateNamedMutex(name);
  EXPECT_EQ(second.error, plat::kAlreadyExists);
  EXPECT_NE(second.handle, plat::kNoHandle);
  plat::NamedMutex b(second.handle);
}

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
  plat::ComInit com;
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
  plat::ComInit com;
  // "Příručka.lnk" in code page 1250.
  const std::string name = "P\xF8\xEDru\xE8ka.lnk";
  auto outcome = plat::SaveShellLink(dir_ + "\\manual.pdf", dir_ + "\\", dir_ + "\\" + name);
  EXPECT_TRUE(outcome.saved);
  const std::wstring wide = Wide(dir_) + L"\\P\u0159\u00EDru\u010Dka.lnk";
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32Platform, ShellLinkReplacesAnExistingFileAndIgnoresAMissingFolder) {
  plat::ComInit com;
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
  // No ComInit on this thread: the link object cannot be made.
  auto outcome = plat::SaveShellLink("C:\\x.exe", "C:\\", "C:\\never.lnk");
  EXPECT_NE(outcome.raisedError, "");
  EXPECT_NE(outcome.raisedError.back(), '.');
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(plat::FileAttributes("C:\\never.lnk").error, plat::kFileNotFound);
}

TEST_F(Win32Platform, ProfileFileBytesAreCrlfLinesWithoutBlankLinesOrBlanksAroundEquals) {
  const std::string ini = dir_ + "\\setup.ini";
  ASSERT_EQ(plat::ProfileWriteString("ALL", "Line1", "  spaced  ", ini), plat::kOk);
  ASSERT_EQ(plat::ProfileWriteString("ALL", "Q", "\"quoted value\"", ini), plat::kOk);
  ASSERT_EQ(plat::ProfileWriteString("Other", "K", "P\xF8\xEDru\xE8ka", ini), plat::kOk);
  ASSERT_EQ(plat::ProfileWriteString("ALL", "Empty", "", ini), plat::kOk);
  EXPECT_EQ(Bytes(ini),
            "[ALL]\r\nLine1=spaced\r\nQ=\"quoted value\"\r\nEmpty=\r\n"
            "[Other]\r\nK=P\xF8\xEDru\xE8ka\r\n");
  EXPECT_EQ(plat::ProfileGetString("all", "q", "fb", ini), "quoted value");
  EXPECT_EQ(plat::ProfileGetString("OTHER", "k", "fb", ini), "P\xF8\xEDru\xE8ka");

  ASSERT_EQ(plat::ProfileWriteString("ALL", std::nullopt, std::nullopt, ini), plat::kOk);
  EXPECT_EQ(Bytes(ini), "[Other]\r\nK=P\xF8\xEDru\xE8ka\r\n");
  ASSERT_EQ(plat::ProfileWriteString("Other", "K", std::nullopt, ini), plat::kOk);
  EXPECT_EQ(Bytes(ini), "[Other]\r\n");
}

TEST_F(Win32Platform, ProfileWriteNormalisesAHandWrittenFile) {
  const std::string ini = dir_ + "\\setup.ini";
  {
    std::ofstream out(ini, std::ios::binary);
    out << "[S]\nk = v  \n\n[T]\r\n a=\"x\"y\"\r\n";
  }
  EXPECT_EQ(plat::ProfileGetString("S", "k", "fb", ini), "v");
  EXPECT_EQ(plat::ProfileGetString("T", "a", "fb", ini), "x\"y");
  ASSERT_EQ(plat::ProfileWriteString("T", "b", "2", ini), plat::kOk);
  EXPECT_EQ(Bytes(ini), "[S]\r\nk=v\r\n[T]\r\na=\"x\"y\"\r\nb=2\r\n");
}

TEST_F(Win32Platform, ProfileWriteIntoAMissingFolderFailsWithPathNotFound) {
  EXPECT_EQ(plat::ProfileWriteString("S", "k", "v", dir_ + "\\no\\setup.ini"), plat::kPathNotFound);
  EXPECT_EQ(plat::ProfileGetString("S", "k", "fb", dir_ + "\\no\\setup.ini"), "fb");
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

TEST_F(Win32Platform, HiddenCommandRunsThroughTheCommandInterpreter) {
  const std::string out = dir_ + "\\ran.txt";
  const std::string done = dir_ + "\\done.txt";
  EXPECT_GT(plat::StartHidden("cmd /c echo ran> \"" + out + "\" && ren \"" + out + "\" done.txt"),
            31u);
  // Waits for the command's file, with a bound: the rename makes its appearance atomic.
  for (int i = 0; i < 600 && !plat::FileAttributes(done).ok(); ++i) Sleep(50);
  EXPECT_EQ(Bytes(done).substr(0, 3), "ran");
}

TEST_F(Win32Platform, ShortPathNameResolvesToTheSameFolder) {
  const std::string longName = dir_ + "\\A long folder name";
  ASSERT_EQ(plat::CreateDirectory(longName), plat::kOk);
  auto shortName = plat::ShortPathName(longName);
  ASSERT_TRUE(shortName.ok()) << shortName.error;
  EXPECT_EQ(shortName.value.find(' '), std::string::npos);
  ASSERT_EQ(plat::CreateDirectory(shortName.value + "\\inside"), plat::kOk);
  EXPECT_TRUE(plat::FileAttributes(longName + "\\inside").ok());
  EXPECT_EQ(plat::ShortPathName(dir_ + "\\missing").error, plat::kFileNotFound);
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

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == kProbeFlag) return ProbeMutex(argv[2]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
