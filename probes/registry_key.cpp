#include "probes/registry_key.h"

#include <cstring>

#include "platform/text.h"

CRegistryKey::CRegistryKey() { lastText_[0] = 0; }

CRegistryKey::~CRegistryKey() {
  // Callers close explicitly; this only catches a key left open.
  if (hasHandle_) os::RegCloseKey(handle_);
}

int CRegistryKey::Open(const char16_t* subKey) {
  if (hasHandle_) Close();
  os::HKEY key = nullptr;
  if (os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, subKey, 0, os::KEY_ALL_ACCESS, &key) != os::ERROR_SUCCESS) return 0;
  handle_ = key;
  hasHandle_ = true;
  isOpen_ = 1;
  return 1;
}

int CRegistryKey::ReadString(const char16_t* valueName, char16_t (&text)[260]) {
  if (isOpen_ == 0 || !hasHandle_) return 0;
  os::BYTE data[520] = {};
  os::DWORD size = sizeof data;
  if (os::RegQueryValueExW(handle_, valueName, nullptr, nullptr, data, &size) != os::ERROR_SUCCESS) return 0;
  // 520 bytes may hold 260 characters without a terminator: keep the last one as terminator.
  char16_t value[260] = {};
  std::memcpy(value, data, size < sizeof data ? size : sizeof data);
  value[259] = 0;
  text::Copy(lastText_, value);
  text::Copy(text, lastText_);
  isOpen_ = 1;
  return 1;
}

int CRegistryKey::ReadDword(const char16_t* valueName, os::DWORD& number) {
  if (isOpen_ == 0 || !hasHandle_) return 0;
  os::BYTE data[4] = {};
  os::DWORD size = sizeof data;
  if (os::RegQueryValueExW(handle_, valueName, nullptr, nullptr, data, &size) != os::ERROR_SUCCESS) return 0;
  number = static_cast<os::DWORD>(data[0]) | static_cast<os::DWORD>(data[1]) << 8 |
           static_cast<os::DWORD>(data[2]) << 16 | static_cast<os::DWORD>(data[3]) << 24;
  isOpen_ = 1;
  return 1;
}

os::LONG CRegistryKey::Close() {
  if (!hasHandle_) return os::ERROR_SUCCESS;
  os::LONG status = os::RegCloseKey(handle_);
  hasHandle_ = false;
  handle_ = nullptr;
  return status;
}

int CRegistryKey::KeyExists(const char16_t* subKey) {
  os::HKEY key = nullptr;
  if (os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, subKey, 0, os::KEY_ALL_ACCESS, &key) != os::ERROR_SUCCESS) return 0;
  os::RegCloseKey(key);
  return 1;
}
