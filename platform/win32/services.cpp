// Version resources, registry, setup API and shell: forwarded to Windows.
#include "platform/os.h"

// Taken before <windows.h>, which defines the same name as a macro.
namespace {
const os::HKEY kOsLocalMachine = os::HKEY_LOCAL_MACHINE;
}  // namespace

#include <windows.h>
#include <setupapi.h>
#include <shellapi.h>
#include <winver.h>

namespace {

// Outside namespace os, so that the macro below means the real HKEY type.
::HKEY Real(os::HKEY key) {
  if (key == kOsLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<::HKEY>(key);
}

}  // namespace

namespace os {
namespace {

const wchar_t* W(const WCHAR* s) { return reinterpret_cast<const wchar_t*>(s); }
wchar_t* W(WCHAR* s) { return reinterpret_cast<wchar_t*>(s); }

static_assert(sizeof(os::INFCONTEXT) == sizeof(::INFCONTEXT), "INFCONTEXT layout");
static_assert(sizeof(os::SHELLEXECUTEINFOW) == sizeof(::SHELLEXECUTEINFOW), "SHELLEXECUTEINFOW layout");

}  // namespace

DWORD GetFileVersionInfoSizeW(const WCHAR* fileName, DWORD* handle) {
  ::DWORD h = 0;
  DWORD r = ::GetFileVersionInfoSizeW(W(fileName), &h);
  if (handle) *handle = h;
  return r;
}

BOOL GetFileVersionInfoW(const WCHAR* fileName, DWORD handle, DWORD size, void* data) {
  return ::GetFileVersionInfoW(W(fileName), handle, size, data);
}

BOOL VerQueryValueW(const void* block, const WCHAR* subBlock, void** buffer, UINT* length) {
  return ::VerQueryValueW(block, W(subBlock), buffer, length);
}

LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD options, REGSAM desired, HKEY* result) {
  ::HKEY out = nullptr;
  LONG r = ::RegOpenKeyExW(Real(key), W(subKey), options, desired, &out);
  if (result) *result = reinterpret_cast<os::HKEY>(out);
  return r;
}

LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
  ::DWORD t = 0;
  ::DWORD s = size ? *size : 0;
  LONG r = ::RegQueryValueExW(Real(key), W(valueName), reinterpret_cast<::LPDWORD>(reserved), type ? &t : nullptr, data,
                              size ? &s : nullptr);
  if (type) *type = t;
  if (size) *size = s;
  return r;
}

LONG RegCloseKey(HKEY key) { return ::RegCloseKey(Real(key)); }

HINF SetupOpenInfFileW(const WCHAR* fileName, const WCHAR* infClass, DWORD style, UINT* errorLine) {
  return ::SetupOpenInfFileW(W(fileName), W(infClass), style, errorLine);
}

BOOL SetupFindFirstLineW(HINF inf, const WCHAR* section, const WCHAR* key, INFCONTEXT* context) {
  return ::SetupFindFirstLineW(inf, W(section), W(key), reinterpret_cast<::INFCONTEXT*>(context));
}

BOOL SetupGetLineTextW(INFCONTEXT* context, HINF inf, const WCHAR* section, const WCHAR* key, WCHAR* buffer, DWORD size,
                       DWORD* required) {
  ::DWORD req = 0;
  BOOL ok =
      ::SetupGetLineTextW(reinterpret_cast<::INFCONTEXT*>(context), inf, W(section), W(key), W(buffer), size, &req);
  if (required) *required = req;
  return ok;
}

void SetupCloseInfFile(HINF inf) { ::SetupCloseInfFile(inf); }

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  return ::ShellExecuteExW(reinterpret_cast<::SHELLEXECUTEINFOW*>(info));
}

}  // namespace os
