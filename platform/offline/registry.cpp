// HKEY_LOCAL_MACHINE of the offline machine and the registry calls over it.
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "platform/offline/hive_file.h"
#include "platform/offline/image_files.h"
#include "platform/offline/machine.h"
#include "platform/offline/reg_export.h"
#include "platform/offline/reg_tree.h"
#include "platform/offline/registry_load.h"
#include "platform/offline/registry_store.h"
#include "platform/os.h"
#include "platform/text.h"

namespace offline {
namespace {

constexpr std::size_t kMaxExportBytes = 64u << 20;

RegTreeKey& Root() {
  static RegTreeKey root;
  return root;
}

std::map<std::uintptr_t, const RegTreeKey*>& Handles() {
  static std::map<std::uintptr_t, const RegTreeKey*> handles;
  return handles;
}

// SYSTEM\CurrentControlSet is the control set named by SYSTEM\Select\Current,
// unless the registry holds a literal CurrentControlSet key (as exports may).
std::u16string ResolvePath(std::u16string_view path) {
  auto parts = SplitRegPath(path);
  if (parts.size() < 2 || !text::EqualsNoCaseAZ(parts[0], u"SYSTEM") ||
      !text::EqualsNoCaseAZ(parts[1], u"CurrentControlSet")) {
    return std::u16string(path);
  }
  const RegTreeKey* system = Root().Child(u"SYSTEM");
  if (!system || system->Child(u"CurrentControlSet")) return std::u16string(path);
  const RegTreeKey* select = system->Child(u"Select");
  const RegTreeValue* current = select ? select->Value(u"Current") : nullptr;
  if (!current || current->data.size() < 4) return std::u16string(path);
  std::uint32_t n = static_cast<std::uint32_t>(current->data[0]) | static_cast<std::uint32_t>(current->data[1]) << 8 |
                    static_cast<std::uint32_t>(current->data[2]) << 16 |
                    static_cast<std::uint32_t>(current->data[3]) << 24;
  std::u16string out = u"SYSTEM\\" + ControlSetName(n);
  for (std::size_t i = 2; i < parts.size(); ++i) {
    out += u'\\';
    out += parts[i];
  }
  return out;
}

void ReadExport(const std::string& file, std::string* warnings) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (warnings) *warnings += file + ": cannot be read\n";
    return;
  }
  std::vector<std::uint8_t> bytes;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buf, buf + in.gcount());
    if (bytes.size() > kMaxExportBytes) {
      if (warnings) *warnings += file + ": too large for a registry export\n";
      return;
    }
  }
  ApplyRegExport(bytes, file, &Root(), warnings);
}

}  // namespace

const RegTreeKey* LookUp(std::u16string_view path) { return FindKey(Root(), ResolvePath(path)); }

void LoadRegistryFiles(const std::optional<std::string>& systemHive, const std::optional<std::string>& softwareHive,
                       const std::vector<std::string>& regFiles, std::string* warnings) {
  Root() = RegTreeKey{};
  Handles().clear();
  if (!regFiles.empty()) {
    for (const auto& file : regFiles) ReadExport(file, warnings);
    return;
  }
  if (systemHive) ReadHive(*systemHive, Root().AddChild(u"SYSTEM"), warnings);
  if (softwareHive) ReadHive(*softwareHive, Root().AddChild(u"SOFTWARE"), warnings);
}

void LoadRegistry(const Machine& machine, std::string* warnings) {
  std::optional<std::string> system, software;
  if (machine.options.regFiles.empty()) {
    system = MapExisting(machine.systemDirectory + u"\\config\\SYSTEM");
    software = MapExisting(machine.systemDirectory + u"\\config\\SOFTWARE");
  }
  LoadRegistryFiles(system, software, machine.options.regFiles, warnings);
}

}  // namespace offline

namespace os {
namespace {

const offline::RegTreeKey* KeyOf(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return &offline::Root();
  auto it = offline::Handles().find(reinterpret_cast<std::uintptr_t>(key));
  return it == offline::Handles().end() ? nullptr : it->second;
}

}  // namespace

LONG RegOpenKeyExW(HKEY key, const WCHAR* subKey, DWORD, REGSAM, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const offline::RegTreeKey* base = KeyOf(key);
  if (!base) return ERROR_INVALID_HANDLE;
  std::u16string path = subKey ? std::u16string(subKey) : std::u16string();
  const offline::RegTreeKey* found = nullptr;
  if (base == &offline::Root()) {
    found = offline::LookUp(path);
  } else {
    found = offline::FindKey(*base, path);
  }
  if (!found) return ERROR_FILE_NOT_FOUND;
  static std::uintptr_t next = 0x1000;
  next += 4;
  offline::Handles()[next] = found;
  *result = reinterpret_cast<HKEY>(next);
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
  return offline::Handles().erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  if (!info) return FALSE;
  info->dwMajorVersion = info->dwMinorVersion = info->dwBuildNumber = 0;
  info->dwPlatformId = 2;
  info->szCSDVersion[0] = 0;
  const offline::RegTreeKey* cv = offline::LookUp(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
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
