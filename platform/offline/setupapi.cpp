// Placeholder until the INF reader lands.
#include "platform/os.h"
namespace os {
HINF SetupOpenInfFileW(const WCHAR*, const WCHAR*, DWORD, UINT*) { SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_HANDLE_VALUE; }
BOOL SetupFindFirstLineW(HINF, const WCHAR*, const WCHAR*, INFCONTEXT*) { SetLastError(ERROR_LINE_NOT_FOUND); return FALSE; }
BOOL SetupGetLineTextW(INFCONTEXT*, HINF, const WCHAR*, const WCHAR*, WCHAR*, DWORD, DWORD*) { SetLastError(ERROR_LINE_NOT_FOUND); return FALSE; }
void SetupCloseInfFile(HINF) {}
}  // namespace os
