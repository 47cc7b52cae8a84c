// Placeholder until the offline file system lands.
#include "platform/os.h"
#include "platform/offline/machine.h"
#include "platform/offline/image_files.h"
namespace offline {
namespace { Machine g_machine; }
bool ConfigureMachine(const MachineOptions& o, std::string*) { g_machine.options = o; g_machine.systemDirectory = o.systemDirectory.value_or(u"C:\\WINDOWS\\system32"); return true; }
const Machine& CurrentMachine() { return g_machine; }
std::optional<std::string> MapExisting(std::u16string_view) { return std::nullopt; }
std::optional<std::vector<std::uint8_t>> ReadImageFile(std::u16string_view, std::size_t) { return std::nullopt; }
}  // namespace offline
namespace os {
namespace { thread_local DWORD g_lastError = 0; }
DWORD GetLastError() { return g_lastError; }
void SetLastError(DWORD e) { g_lastError = e; }
UINT GetSystemDirectoryW(WCHAR*, UINT) { return 0; }
HANDLE CreateFileW(const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) { SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_HANDLE_VALUE; }
BOOL WriteFile(HANDLE, const void*, DWORD, DWORD*, void*) { return FALSE; }
BOOL ReadFile(HANDLE, void*, DWORD, DWORD*, void*) { return FALSE; }
DWORD SetFilePointer(HANDLE, LONG, LONG*, DWORD) { return INVALID_SET_FILE_POINTER; }
BOOL GetFileTime(HANDLE, FILETIME*, FILETIME*, FILETIME*) { return FALSE; }
BOOL FileTimeToLocalFileTime(const FILETIME*, FILETIME*) { return FALSE; }
BOOL FileTimeToSystemTime(const FILETIME*, SYSTEMTIME*) { return FALSE; }
int GetDateFormatW(LCID, DWORD, const SYSTEMTIME*, const WCHAR*, WCHAR*, int) { return 0; }
int GetTimeFormatW(LCID, DWORD, const SYSTEMTIME*, const WCHAR*, WCHAR*, int) { return 0; }
void GetLocalTime(SYSTEMTIME*) {}
BOOL CloseHandle(HANDLE) { return FALSE; }
BOOL CreateDirectoryW(const WCHAR*, void*) { return FALSE; }
HANDLE FindFirstFileW(const WCHAR*, WIN32_FIND_DATAW*) { SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_HANDLE_VALUE; }
BOOL FindNextFileW(HANDLE, WIN32_FIND_DATAW*) { return FALSE; }
BOOL FindClose(HANDLE) { return FALSE; }
BOOL Wow64DisableWow64FsRedirection(void**) { return FALSE; }
BOOL Wow64RevertWow64FsRedirection(void*) { return FALSE; }
BOOL ShellExecuteExW(SHELLEXECUTEINFOW*) { return FALSE; }
}  // namespace os
