// The thread's last error, as GetLastError gives it, and beside it the words
// for what the host met ("No space left on device", "it has 2 hard links"),
// which a Win32 code alone cannot carry.
#pragma once

#include <string>

#include "platform/os.h"

namespace offline {

// The Win32 code for an errno value.
os::DWORD ErrorFromErrno(int error);
// strerror's text for an errno value.
std::string ErrorText(int error);

// Sets the last error with the words beside it (os::SetLastError clears them).
void SetLastErrorDetail(os::DWORD code, std::string detail);
// The words set beside the last error, or empty when it was set without any.
const std::string& LastErrorDetail();

// Sets the last error and its words and gives `result`: `return Fail(...)`.
template <typename T>
T Fail(T result, os::DWORD code, std::string detail) {
  SetLastErrorDetail(code, std::move(detail));
  return result;
}
// The same from errno: its Win32 code and strerror's text.
template <typename T>
T FailErrno(T result, int error) {
  return Fail(result, ErrorFromErrno(error), ErrorText(error));
}

}  // namespace offline
