#include "platform/offline/winapi/last_error.h"

#include <errno.h>
#include <string.h>

namespace offline {
namespace {

thread_local os::DWORD g_lastError = 0;
thread_local std::string g_detail;

}  // namespace

os::DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT:
      return os::ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return os::ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:
    case EXDEV:
    case ENODEV:
    case ENXIO:
    case ETXTBSY:
      return os::ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return os::ERROR_DISK_FULL;
    case EEXIST:
      return os::ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG:
      return os::ERROR_INVALID_NAME;
    case EBADF:
      return os::ERROR_INVALID_HANDLE;
    case EFBIG:
      return os::ERROR_FILE_TOO_LARGE;
    default:
      return os::ERROR_WRITE_FAULT;
  }
}

std::string ErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r: the text may or may not be put in the buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

void SetLastErrorDetail(os::DWORD code, std::string detail) {
  g_lastError = code;
  g_detail = std::move(detail);
}

const std::string& LastErrorDetail() { return g_detail; }

}  // namespace offline

namespace os {

DWORD GetLastError() { return offline::g_lastError; }

void SetLastError(DWORD error) {
  offline::g_lastError = error;
  offline::g_detail.clear();
}

}  // namespace os
