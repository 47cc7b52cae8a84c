// HKEY_LOCAL_MACHINE of the offline machine and the registry calls over it.
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/offline/hive_reader.h"
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
  auto warn = [&](const char* why) {
    if (warnings) *warnings += file + why;
  };
  struct stat st;
  safefs::Fd fd = safefs::OpenRegularHost(file, &st);
  if (!fd.valid()) return warn(": cannot be read (missing, or not a regular file)\n");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxExportBytes) return warn(": too large for a registry export\n");
  std::optional<std::vector<std::uint8_t>> bytes = ReadWhole(fd.get(), kMaxExportBytes);
  if (!bytes) return warn(": cannot be read\n");
  ApplyRegExport(*bytes, file, &Root(), warnings);
}

// A hive file opened (as a regular file only) by the caller.
struct HiveFile {
  safefs::Fd fd;
  std::string host;  // for messages
};

// The hive is read through the descriptor checked when it was opened, so it
// is the very file the walk found, whatever the image's folders become.
void ReadHiveFile(const std::optional<HiveFile>& hive, RegTreeKey* into, std::string* warnings) {
  if (!hive) return;
  if (!hive->fd.valid()) {
    if (warnings) *warnings += hive->host + ": not a regular file; not read as a registry hive\n";
    return;
  }
  const auto read = ReadHiveDescriptor(hive->fd.get(), into);
  if (!warnings) return;
  if (!read) {
    // A hive without a root key simply has no keys.
    if (read.reason() != HiveError::kNoRoot) *warnings += hive->host + ": not a readable registry hive\n";
  } else if (read->dirty) {
    *warnings += hive->host + ": hive was not closed cleanly (dirty); reading it as it is\n";
  }
}

void LoadHives(const std::optional<HiveFile>& system, const std::optional<HiveFile>& software,
               const std::vector<std::string>& regFiles, std::string* warnings) {
  Root() = RegTreeKey{};
  Handles().clear();
  if (!regFiles.empty()) {
    for (const auto& file : regFiles) ReadExport(file, warnings);
    return;
  }
  if (system) ReadHiveFile(system, Root().AddChild(u"SYSTEM"), warnings);
  if (software) ReadHiveFile(software, Root().AddChild(u"SOFTWARE"), warnings);
}

std::optional<HiveFile> HostHive(const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  struct stat st;
  return HiveFile{safefs::OpenRegularHost(*path, &st), *path};
}

std::optional<HiveFile> ImageHive(const Machine& machine, const char16_t* name) {
  std::optional<std::string> host = MapExisting(machine.systemDirectory + u"\\config\\" + name);
  if (!host) return std::nullopt;
  return HiveFile{OpenImageFile(machine.systemDirectory + u"\\config\\" + name), *host};
}

}  // namespace

const RegTreeKey* LookUp(std::u16string_view path) { return FindKey(Root(), ResolvePath(path)); }

void LoadRegistryFiles(const std::optional<std::string>& systemHive, const std::optional<std::string>& softwareHive,
                       const std::vector<std::string>& regFiles, std::string* warnings) {
  LoadHives(HostHive(systemHive), HostHive(softwareHive), regFiles, warnings);
}

void LoadRegistry(const Machine& machine, std::string* warnings) {
  if (!machine.options.regFiles.empty()) {
    LoadHives(std::nullopt, std::nullopt, machine.options.regFiles, warnings);
    return;
  }
  LoadHives(ImageHive(machine, u"SYSTEM"), ImageHive(machine, u"SOFTWARE"), {}, warnings);
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
