#include "platform/diagnostics.h"

#include <windows.h>

#include "platform/text.h"

namespace diag {

std::string WrittenPath(const char16_t* windowsPath) { return text::ToUtf8(windowsPath); }

std::string ErrorWords(os::DWORD error) {
  wchar_t buffer[512] = {};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                                  512, nullptr);
  std::u16string words(reinterpret_cast<const char16_t*>(buffer), length);
  // The system's texts end in a full stop and a line end.
  while (!words.empty() &&
         (words.back() == u'\r' || words.back() == u'\n' || words.back() == u' ' || words.back() == u'.'))
    words.pop_back();
  if (words.empty()) return "error " + std::to_string(error);
  return text::ToUtf8(words) + " (error " + std::to_string(error) + ")";
}

}  // namespace diag
