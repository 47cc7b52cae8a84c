// The Windows build reads the system it runs on, and files.
#include "platform/machine_source.h"

#include <windows.h>

#include <cstdio>

#include "platform/text.h"

namespace platform {
namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = text::FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

}  // namespace

bool SelectSystem(const SystemSource& source, std::string* error) {
  if (error) *error = "'" + source.location + "': Quillon.exe reads only the system it runs on";
  return false;
}

bool ReadUserFile(const std::string& path, std::size_t limit, std::string* bytes, std::string* error) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = "cannot open '" + path + "' (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  bool ok = GetFileType(file) == FILE_TYPE_DISK;
  if (!ok) *error = "'" + path + "' is not a regular file";
  LARGE_INTEGER size{};
  if (ok && (!GetFileSizeEx(file, &size) || static_cast<unsigned long long>(size.QuadPart) > limit)) {
    *error = "'" + path + "' is larger than " + std::to_string(limit >> 20) + " MiB";
    ok = false;
  }
  bytes->clear();
  char buffer[65536];
  while (ok) {
    DWORD n = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
      *error = "cannot read '" + path + "' (error " + std::to_string(GetLastError()) + ")";
      ok = false;
    } else if (n == 0) {
      break;
    } else if (bytes->size() + n > limit) {
      *error = "'" + path + "' grew while it was read";
      ok = false;
    } else {
      bytes->append(buffer, n);
    }
  }
  CloseHandle(file);
  return ok;
}

bool IsUserFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
