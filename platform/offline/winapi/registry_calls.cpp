// The registry calls over the registry in force.
#include <cstring>

#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/registry_store.h"
#include "platform/os.h"

namespace os {
namespace {

const offline::RegTreeKey* KeyOf(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return &offline::RegistryRoot();
  const offline::KeyObject* open = offline::Handles().Get<offline::KeyObject>(offline::HandleId(key));
  return open ? open->key : nullptr;
}

}  // namespace

LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD, REGSAM, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const offline::RegTreeKey* base = KeyOf(key);
  if (!base) return ERROR_INVALID_HANDLE;
  std::u16string path = subKey ? std::u16string(subKey) : std::u16string();
  const offline::RegTreeKey* found = nullptr;
  if (base == &offline::RegistryRoot()) {
    found = offline::LookUpKey(path);
  } else {
    found = offline::FindKey(*base, path);
  }
  if (!found) return ERROR_FILE_NOT_FOUND;
  *result = offline::AsHandle<HKEY>(offline::Handles().Add(offline::KeyObject{found}));
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  const offline::RegTreeKey* k = KeyOf(key);
  if (!k) return ERROR_INVALID_HANDLE;
  if (data && !size) return ERROR_INVALID_PARAMETER;
  const offline::RegTreeValue* v = k->Value(valueName ? std::u16string_view(valueName) : std::u16string_view());
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  DWORD needed = static_cast<DWORD>(v->data.size());
  if (!size) return ERROR_SUCCESS;
  if (!data) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(data, v->data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  return offline::Handles().Remove<offline::KeyObject>(offline::HandleId(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace os
