// GetVersionExW: the offline system's version, from its registry.
#include "platform/offline/winapi/registry_store.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  if (!info) return FALSE;
  info->dwMajorVersion = info->dwMinorVersion = info->dwBuildNumber = 0;
  info->dwPlatformId = 2;
  info->szCSDVersion[0] = 0;
  const offline::RegTreeKey* cv = offline::LookUpKey(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  const offline::RegTreeValue* ver = cv ? cv->Value(u"CurrentVersion") : nullptr;
  auto asText = [](const offline::RegTreeValue* v) {
    std::u16string s;
    for (std::size_t i = 0; v && i + 1 < v->data.size() && i < 512; i += 2) {
      char16_t c = static_cast<char16_t>(v->data[i] | v->data[i + 1] << 8);
      if (!c) break;
      s.push_back(c);
    }
    return s;
  };
  std::u16string version = asText(ver);
  if (version.empty()) return FALSE;
  auto number = [](std::u16string_view s, std::size_t* pos) {
    DWORD n = 0;
    while (*pos < s.size() && s[*pos] >= u'0' && s[*pos] <= u'9' && n < 100000000) n = n * 10 + (s[(*pos)++] - u'0');
    return n;
  };
  std::size_t pos = 0;
  info->dwMajorVersion = number(version, &pos);
  if (pos < version.size() && version[pos] == u'.') {
    ++pos;
    info->dwMinorVersion = number(version, &pos);
  }
  std::u16string build = asText(cv->Value(u"CurrentBuildNumber"));
  pos = 0;
  info->dwBuildNumber = number(build, &pos);
  text::Copy(info->szCSDVersion, asText(cv->Value(u"CSDVersion")));
  return TRUE;
}

}  // namespace os
