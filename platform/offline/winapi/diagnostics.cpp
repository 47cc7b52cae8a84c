#include "platform/diagnostics.h"

#include "platform/offline/winapi/last_error.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/text.h"

namespace diag {

std::string WrittenPath(const char16_t* windowsPath) {
  return offline::WriteHostPath(std::u16string_view(windowsPath, text::Length(windowsPath, 32768)));
}

std::string ErrorWords(os::DWORD error) {
  if (os::GetLastError() == error && !offline::LastErrorDetail().empty()) return offline::LastErrorDetail();
  switch (error) {
    case os::ERROR_SUCCESS:
      return "no error was reported";
    case os::ERROR_FILE_NOT_FOUND:
      return "the file does not exist";
    case os::ERROR_PATH_NOT_FOUND:
      return "the folder does not exist, or the path leaves the system drive";
    case os::ERROR_ACCESS_DENIED:
      return "access is denied";
    case os::ERROR_INVALID_HANDLE:
      return "the file is not open";
    case os::ERROR_DISK_FULL:
      return "the disk is full";
    case os::ERROR_FILE_EXISTS:
    case os::ERROR_ALREADY_EXISTS:
      return "it already exists";
    case os::ERROR_FILE_TOO_LARGE:
      return "the file is too large";
    default:
      return "error " + std::to_string(error);
  }
}

}  // namespace diag
