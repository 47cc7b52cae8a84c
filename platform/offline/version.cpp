// Placeholder until the PE version-resource reader lands.
#include "platform/os.h"
namespace os {
DWORD GetFileVersionInfoSizeW(const WCHAR*, DWORD* h) { if (h) *h = 0; SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return 0; }
BOOL GetFileVersionInfoW(const WCHAR*, DWORD, DWORD, void*) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return FALSE; }
BOOL VerQueryValueW(const void*, const WCHAR*, void**, UINT* len) { if (len) *len = 0; return FALSE; }
}  // namespace os
