// Placeholder until the offline registry lands.
#include "platform/os.h"
#include "platform/offline/registry_store.h"
namespace offline { void LoadRegistry(const Machine&, std::string*) {} }
namespace os {
LONG RegOpenKeyExW(HKEY, const WCHAR*, DWORD, REGSAM, HKEY*) { return ERROR_FILE_NOT_FOUND; }
LONG RegQueryValueExW(HKEY, const WCHAR*, DWORD*, DWORD*, BYTE*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
LONG RegCloseKey(HKEY) { return ERROR_INVALID_HANDLE; }
BOOL GetVersionExW(OSVERSIONINFOW*) { return FALSE; }
}  // namespace os
