// One registry key below HKEY_LOCAL_MACHINE, opened with full access, read for
// text and 32-bit values. Destruction closes a key that is still open.
#pragma once

#include "platform/os.h"

class CRegistryKey {
 public:
  CRegistryKey();
  ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  int Open(const char16_t* subKey);
  // Reads a value of at most 259 characters (any type, taken as text); 0 when
  // missing or longer, the caller's buffer then untouched.
  int ReadString(const char16_t* valueName, char16_t (&text)[260]);
  // Reads 4 bytes (any type); 0 when missing or longer, `number` untouched.
  int ReadDword(const char16_t* valueName, os::DWORD& number);
  // RegCloseKey's status (ERROR_SUCCESS when nothing was open).
  os::LONG Close();

  static int KeyExists(const char16_t* subKey);

 private:
  os::HKEY handle_ = nullptr;
  char16_t lastText_[260];
  int isOpen_ = 0;
  bool hasHandle_ = false;
};
