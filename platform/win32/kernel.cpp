// Files, folders, time and system queries: forwarded to kernel32.
#include "platform/os.h"

#include <windows.h>

namespace os {
namespace {

const wchar_t* W(const WCHAR* s) { return reinterpret_cast<const wchar_t*>(s); }
wchar_t* W(WCHAR* s) { return reinterpret_cast<wchar_t*>(s); }

static_assert(sizeof(os::FILETIME) == sizeof(::FILETIME), "FILETIME layout");
static_assert(sizeof(os::SYSTEMTIME) == sizeof(::SYSTEMTIME), "SYSTEMTIME layout");
static_assert(sizeof(os::OSVERSIONINFOW) == sizeof(::OSVERSIONINFOW), "OSVERSIONINFOW layout");
static_assert(sizeof(os::WIN32_FIND_DATAW) == sizeof(::WIN32_FIND_DATAW), "WIN32_FIND_DATAW layout");

}  // namespace

UINT GetSystemDirectoryW(WCHAR* buffer, UINT size) { return ::GetSystemDirectoryW(W(buffer), size); }

HANDLE CreateFileW(const WCHAR* fileName, DWORD access, DWORD share, void* sa, DWORD disposition, DWORD flags,
                   HANDLE templateFile) {
  return ::CreateFileW(W(fileName), access, share, static_cast<LPSECURITY_ATTRIBUTES>(sa), disposition, flags,
                       templateFile);
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes, DWORD* written, void* overlapped) {
  ::DWORD w = 0;
  BOOL ok = ::WriteFile(file, buffer, bytes, &w, static_cast<LPOVERLAPPED>(overlapped));
  if (written) *written = w;
  return ok;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* read, void* overlapped) {
  ::DWORD r = 0;
  BOOL ok = ::ReadFile(file, buffer, bytes, &r, static_cast<LPOVERLAPPED>(overlapped));
  if (read) *read = r;
  return ok;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
  ::LONG high = distanceHigh ? *distanceHigh : 0;
  DWORD r = ::SetFilePointer(file, distance, distanceHigh ? &high : nullptr, method);
  if (distanceHigh) *distanceHigh = high;
  return r;
}

BOOL GetFileTime(HANDLE file, FILETIME* c, FILETIME* a, FILETIME* w) {
  return ::GetFileTime(file, reinterpret_cast<::FILETIME*>(c), reinterpret_cast<::FILETIME*>(a),
                       reinterpret_cast<::FILETIME*>(w));
}

BOOL FileTimeToLocalFileTime(const FILETIME* in, FILETIME* out) {
  return ::FileTimeToLocalFileTime(reinterpret_cast<const ::FILETIME*>(in), reinterpret_cast<::FILETIME*>(out));
}

BOOL FileTimeToSystemTime(const FILETIME* in, SYSTEMTIME* out) {
  return ::FileTimeToSystemTime(reinterpret_cast<const ::FILETIME*>(in), reinterpret_cast<::SYSTEMTIME*>(out));
}

int GetDateFormatW(LCID locale, DWORD flags, const SYSTEMTIME* date, const WCHAR* format, WCHAR* out, int size) {
  return ::GetDateFormatW(locale, flags, reinterpret_cast<const ::SYSTEMTIME*>(date), W(format), W(out), size);
}

int GetTimeFormatW(LCID locale, DWORD flags, const SYSTEMTIME* time, const WCHAR* format, WCHAR* out, int size) {
  return ::GetTimeFormatW(locale, flags, reinterpret_cast<const ::SYSTEMTIME*>(time), W(format), W(out), size);
}

void GetLocalTime(SYSTEMTIME* time) { ::GetLocalTime(reinterpret_cast<::SYSTEMTIME*>(time)); }
BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }
DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD error) { ::SetLastError(error); }

BOOL CreateDirectoryW(const WCHAR* path, void* sa) {
  return ::CreateDirectoryW(W(path), static_cast<LPSECURITY_ATTRIBUTES>(sa));
}

BOOL MoveFileExW(const WCHAR* existingFileName, const WCHAR* newFileName, DWORD flags) {
  return ::MoveFileExW(W(existingFileName), W(newFileName), flags);
}

BOOL DeleteFileW(const WCHAR* fileName) { return ::DeleteFileW(W(fileName)); }
BOOL FlushFileBuffers(HANDLE file) { return ::FlushFileBuffers(file); }
BOOL SetEndOfFile(HANDLE file) { return ::SetEndOfFile(file); }

DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh) {
  ::DWORD high = 0;
  DWORD low = ::GetFileSize(file, &high);
  if (fileSizeHigh) *fileSizeHigh = high;
  return low;
}

DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

HANDLE FindFirstFileW(const WCHAR* pattern, WIN32_FIND_DATAW* data) {
  return ::FindFirstFileW(W(pattern), reinterpret_cast<::WIN32_FIND_DATAW*>(data));
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data) {
  return ::FindNextFileW(find, reinterpret_cast<::WIN32_FIND_DATAW*>(data));
}

BOOL FindClose(HANDLE find) { return ::FindClose(find); }

BOOL GetVersionExW(OSVERSIONINFOW* info) { return ::GetVersionExW(reinterpret_cast<::OSVERSIONINFOW*>(info)); }

// Looked up at run time: Windows 2000 and 32-bit Windows do not have them.
BOOL Wow64DisableWow64FsRedirection(void** oldValue) {
  using Fn = ::BOOL(WINAPI*)(PVOID*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "Wow64DisableWow64FsRedirection")));
  if (!fn) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return fn(oldValue);
}

BOOL Wow64RevertWow64FsRedirection(void* oldValue) {
  using Fn = ::BOOL(WINAPI*)(PVOID);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "Wow64RevertWow64FsRedirection")));
  if (!fn) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return fn(oldValue);
}

}  // namespace os
