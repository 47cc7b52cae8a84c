#include "probes/system_paths.h"

#include "platform/os.h"
#include "platform/text.h"
#include "probes/registry_key.h"

int GetOsVersionCode() {
  os::OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  os::GetVersionExW(&info);
  if (info.dwMajorVersion == 4) return 4;
  if (info.dwMajorVersion == 5) {
    if (info.dwMinorVersion == 0) return 5;
    if (info.dwMinorVersion == 1 || info.dwMinorVersion == 2) return 6;
  }
  return 0;
}

int GetWindowsRoot(char16_t (&path)[260]) {
  char16_t systemDir[260] = {};
  if (os::GetSystemDirectoryW(systemDir, 260) == 0) return 0;
  // Filled through a local buffer so that a failure leaves the caller's text as it was.
  int backslashes = 0;
  for (char16_t& c : systemDir) {
    if (c == 0) break;
    if (c == u'\\' && ++backslashes == 2) {
      c = 0;
      break;
    }
  }
  text::Copy(path, systemDir);
  return 1;
}

int Is64BitWindows() {
  int keyFound = CRegistryKey::KeyExists(u"software\\WOW6432Node");
  char16_t path[260] = {};
  GetWindowsRoot(path);
  text::Append(path, u"\\SysWow64");
  os::SetLastError(0);
  os::HANDLE dir = os::CreateFileW(path, 0, 0, nullptr, os::OPEN_EXISTING, os::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  bool dirFound = dir != os::INVALID_HANDLE_VALUE;
  if (dirFound) os::CloseHandle(dir);
  return (dirFound || keyFound == 1) ? 1 : 0;
}
