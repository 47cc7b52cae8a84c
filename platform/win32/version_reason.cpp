// Why a file has no version, in the system's own words for the error that
// version.dll reports.
#include "platform/version_reason.h"

#include <windows.h>
#include <winver.h>

#include <string>
#include <vector>

namespace os {
namespace {

std::u16string SystemMessage(::DWORD error) {
  wchar_t buffer[512];
  const ::DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                     buffer, sizeof buffer / sizeof buffer[0], nullptr);
  std::u16string s(reinterpret_cast<const char16_t*>(buffer), n);
  while (!s.empty() && (s.back() == u'\r' || s.back() == u'\n' || s.back() == u' ' || s.back() == u'.')) s.pop_back();
  if (s.empty()) {
    const std::string number = "error " + std::to_string(error);
    s.assign(number.begin(), number.end());
  }
  return s;
}

}  // namespace

std::u16string WhyNoFileVersion(const char16_t* path) {
  const auto* name = reinterpret_cast<const wchar_t*>(path);
  ::DWORD handle = 0;
  const ::DWORD size = ::GetFileVersionInfoSizeW(name, &handle);
  if (size == 0) return SystemMessage(::GetLastError());
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(name, 0, size, block.data())) return SystemMessage(::GetLastError());
  void* fixed = nullptr;
  ::UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", &fixed, &length)) return u"no fixed file information";
  return u"";
}

}  // namespace os
