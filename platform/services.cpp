// The free functions of the service headers, each a call through the table in force.
#include "platform/services.h"

namespace plat {

Services& services() {
  static Services table = NativeServices();
  return table;
}

Result<std::string> CurrentDirectory() { return services().currentDirectory(); }
std::uint32_t SetCurrentDirectory(const std::string& p) {
  return services().setCurrentDirectory(p);
}
Result<std::string> TempPath() { return services().tempPath(); }
Result<std::uint32_t> FileAttributes(const std::string& p) { return services().fileAttributes(p); }
std::uint32_t SetFileAttributes(const std::string& p, std::uint32_t a) {
  return services().setFileAttributes(p, a);
}
Result<Handle> FindFirst(const std::string& pattern, FindData& first) {
  return services().findFirst(pattern, first);
}
std::uint32_t FindNext(Handle s, FindData& next) { return services().findNext(s, next); }
void FindClose(Handle s) { services().findClose(s); }
std::uint32_t CreateDirectory(const std::string& p) { return services().createDirectory(p); }
std::uint32_t RemoveDirectory(const std::string& p) { return services().removeDirectory(p); }
std::uint32_t DeleteFile(const std::string& p) { return services().deleteFile(p); }
std::uint32_t CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  return services().copyFile(from, to, failIfExists);
}
std::uint32_t MoveFile(const std::string& from, const std::string& to) {
  return services().moveFile(from, to);
}
Result<Handle> OpenFile(const std::string& p, OpenMode m) { return services().openFile(p, m); }
Result<std::size_t> ReadFile(Handle f, void* b, std::size_t n) {
  return services().readFile(f, b, n);
}
Result<std::size_t> WriteFile(Handle f, const void* b, std::size_t n) {
  return services().writeFile(f, b, n);
}
Result<std::int64_t> SeekFile(Handle f, std::int64_t o, SeekOrigin w) {
  return services().seekFile(f, o, w);
}
Result<std::int64_t> FileSize(Handle f) { return services().fileSize(f); }
std::uint32_t CloseFile(Handle f) { return services().closeFile(f); }
std::uint32_t SetFileTimeFromDos(Handle f, std::uint16_t d, std::uint16_t t) {
  return services().setFileTimeFromDos(f, d, t);
}
Result<std::string> ModuleFileName() { return services().moduleFileName(); }
Result<std::string> ShortPathName(const std::string& p) { return services().shortPathName(p); }
std::optional<std::string> Environment(const std::string& n) { return services().environment(n); }

Result<Handle> RegOpenKey(Hive h, const std::string& p) { return services().regOpenKey(h, p); }
Result<Handle> RegCreateKey(Hive h, const std::string& p) { return services().regCreateKey(h, p); }
void RegCloseKey(Handle k) { services().regCloseKey(k); }
Result<RegValue> RegQueryValue(Handle k, const std::string& n) {
  return services().regQueryValue(k, n);
}
std::uint32_t RegSetString(Handle k, const std::string& n, const std::string& v) {
  return services().regSetString(k, n, v);
}
std::uint32_t RegSetDword(Handle k, const std::string& n, std::uint32_t v) {
  return services().regSetDword(k, n, v);
}
std::uint32_t RegDeleteKey(Handle k, const std::string& s) { return services().regDeleteKey(k, s); }
Result<RegKeyInfo> RegQueryInfo(Handle k) { return services().regQueryInfo(k); }
Result<std::string> RegEnumKey(Handle k, std::uint32_t i) { return services().regEnumKey(k, i); }

std::string ProfileGetString(const std::string& section, const std::string& key,
                             const std::string& fallback, const std::string& file) {
  return services().profileGetString(section, key, fallback, file);
}
std::uint32_t ProfileWriteString(const std::string& section, const std::optional<std::string>& key,
                                 const std::optional<std::string>& value, const std::string& file) {
  return services().profileWriteString(section, key, value, file);
}

MutexResult CreateNamedMutex(const std::string& name) { return services().createNamedMutex(name); }
void CloseMutex(Handle m) { services().closeMutex(m); }
std::uint32_t StartHidden(const std::string& cmd) { return services().startHidden(cmd); }

ShellLinkOutcome SaveShellLink(const std::string& target, const std::string& workingDirectory,
                               const std::string& linkFile) {
  return services().saveShellLink(target, workingDirectory, linkFile);
}

}  // namespace plat
