// Shell links through the shell's own link object: IShellLinkA for the target and the
// working directory, IPersistFile to save. COM must be initialised (plat::ComInit).
#include "platform/win32/win.h"
// The shell's headers need <windows.h> first.
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform/win32/com_ptr.h"

namespace plat::win32 {

namespace {

// Link file names go through the system's ANSI code page, as the folders they are saved in
// are made through the ANSI calls: a folder name with any letter of that page then names the
// same folder for both.
constexpr UINT kLinkCodePage = CP_ACP;

std::wstring LinkFileName(const std::string& path) {
  if (path.empty()) return std::wstring();
  int n =
      MultiByteToWideChar(kLinkCodePage, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  if (n > 0)
    MultiByteToWideChar(kLinkCodePage, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                        n);
  return wide;
}

// The system's text for an HRESULT as the runtime has always shown it: without trailing
// blanks, line ends and full stops (the error report adds its own "."); a code the system
// has no text for is shown as "OLE error" and the code in hexadecimal.
std::string SystemText(HRESULT hr) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message;
  if (n != 0 && text != nullptr) message.assign(text, n);
  LocalFree(text);
  while (!message.empty() &&
         (static_cast<unsigned char>(message.back()) <= ' ' || message.back() == '.'))
    message.pop_back();
  if (message.empty()) {
    char code[32];
    wsprintfA(code, "OLE error %08lX", static_cast<unsigned long>(hr));
    message = code;
  }
  return message;
}

}  // namespace

ShellLinkOutcome SaveShellLink(const std::string& target, const std::string& workingDirectory,
                               const std::string& linkFile) {
  ShellLinkOutcome outcome;
  ComPtr<IShellLinkA> link;
  HRESULT hr =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                       IID_IShellLinkA, link.put());
  if (FAILED(hr)) {
    outcome.raisedError = SystemText(hr);
    return outcome;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put()))) {
    outcome.raisedError = "Interface not supported";
    return outcome;
  }
  // The installer never looked at these outcomes; only Save's is reported.
  link->SetPath(target.c_str());
  link->SetWorkingDirectory(workingDirectory.c_str());
  std::wstring name = LinkFileName(linkFile);
  outcome.saved = SUCCEEDED(file->Save(name.c_str(), FALSE));
  return outcome;
}

}  // namespace plat::win32
