// Directory ids for INF text. The system's folders come from the machine's
// system directory (C:\WINDOWS\system32: Windows folder C:\WINDOWS, system
// drive C:\); Program Files and the common shell folders from the values
// Windows keeps for them in SOFTWARE\Microsoft\Windows\CurrentVersion, with
// Windows' default names where a registry lacks them.
//
// Where the offline answer is an approximation:
//  - 1 (the INF's source) is the INF's own folder. For an OEM copy Windows may
//    remember the original source in the .PNF beside it, which is not read.
//  - 30 and 54 (boot partition, loader) are taken to be the system drive.
//  - 16422 and 16426: the offline machine answers as a program of the
//    system's own width, so Program Files is the native one.
#include "platform/offline/winapi/inf_dirids.h"

#include <sys/stat.h>

#include <vector>

#include "platform/offline/winapi/machine.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/os.h"
#include "platform/text.h"

namespace offline {
namespace {

constexpr char16_t kCurrentVersion[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kShellFolders[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A string value of HKEY_LOCAL_MACHINE\key, without its terminator.
std::optional<std::u16string> RegistryText(const char16_t* key, const char16_t* name) {
  os::HKEY open = nullptr;
  if (os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, key, 0, os::KEY_READ, &open) != os::ERROR_SUCCESS) return std::nullopt;
  os::DWORD type = 0, size = 0;
  std::optional<std::u16string> result;
  if (os::RegQueryValueExW(open, name, nullptr, &type, nullptr, &size) == os::ERROR_SUCCESS && type == os::REG_SZ &&
      size >= 2 && size <= 2 * os::MAX_PATH) {
    std::vector<char16_t> buffer(size / 2 + 1, 0);
    if (os::RegQueryValueExW(open, name, nullptr, &type, reinterpret_cast<os::BYTE*>(buffer.data()), &size) ==
        os::ERROR_SUCCESS) {
      result = std::u16string(buffer.data(), text::Length(buffer.data(), buffer.size()));
    }
  }
  os::RegCloseKey(open);
  if (result && result->empty()) return std::nullopt;
  return result;
}

// The first of the CurrentVersion values that is set, else `fallback`.
std::u16string ProgramFolder(std::initializer_list<const char16_t*> names, const std::u16string& fallback) {
  for (const char16_t* name : names) {
    if (auto value = RegistryText(kCurrentVersion, name)) return *value;
  }
  return fallback;
}

bool FolderExists(const std::u16string& windowsPath) {
  const std::optional<Found> found = MapForRead(windowsPath);
  return found && found->exists() && S_ISDIR(found->path.mode);
}

std::u16string Folder(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash));
}

// The common shell folders (CSIDL + 0x4000) and the value that holds each.
const char16_t* ShellFolderValue(unsigned id) {
  switch (id) {
    case 16406:
      return u"Common Start Menu";
    case 16407:
      return u"Common Programs";
    case 16408:
      return u"Common Startup";
    case 16409:
      return u"Common Desktop";
    case 16415:
      return u"Common Favorites";
    case 16419:
      return u"Common AppData";
    case 16429:
      return u"Common Templates";
    case 16430:
      return u"Common Documents";
    default:
      return nullptr;
  }
}

}  // namespace

std::optional<std::u16string> InfDirIdPath(unsigned id, std::u16string_view infPath) {
  const std::u16string system = CurrentMachine().systemDirectory;
  if (system.size() < 3) return std::nullopt;
  const std::u16string windows = Folder(system);
  const std::u16string drive = system.substr(0, 3);
  auto programFiles = [&drive] { return ProgramFolder({u"ProgramFilesDir"}, drive + u"Program Files"); };
  switch (id) {
    case 1:
      return Folder(infPath);
    case 10:
    case 25:
      return windows;
    case 11:
      return system;
    case 12:
      return system + u"\\drivers";
    case 17:
      return windows + u"\\inf";
    case 18:
      return windows + u"\\help";
    case 20:
      return windows + u"\\Fonts";
    case 21:
      return system + u"\\viewers";
    case 23:
      return system + u"\\spool\\drivers\\color";
    case 24:
    case 30:
    case 54:
      return drive;
    case 50:
      return windows + u"\\system";
    case 51:
      return system + u"\\spool";
    case 52:
      return system + u"\\spool\\drivers";
    case 16422:
      return programFiles();
    case 16425:
      return FolderExists(windows + u"\\SysWOW64") ? windows + u"\\SysWOW64" : system;
    case 16426:
      return ProgramFolder({u"ProgramFilesDir (x86)", u"ProgramFilesDir"}, drive + u"Program Files");
    case 16427:
      return ProgramFolder({u"CommonFilesDir"}, programFiles() + u"\\Common Files");
    case 16428:
      return ProgramFolder({u"CommonFilesDir (x86)", u"CommonFilesDir"}, programFiles() + u"\\Common Files");
    case 13: {
      // The package's folder in the driver store, for an INF that lies there.
      const std::u16string folder = Folder(infPath);
      const std::u16string store = text::UpperCaseAZ(system + u"\\DriverStore\\FileRepository\\");
      const std::u16string upper = text::UpperCaseAZ(folder);
      if (upper.size() > store.size() && upper.compare(0, store.size(), store) == 0 &&
          upper.find(u'\\', store.size()) == std::u16string::npos) {
        return folder;
      }
      return std::nullopt;
    }
    default:
      if (const char16_t* value = ShellFolderValue(id)) return RegistryText(kShellFolders, value);
      return std::nullopt;
  }
}

}  // namespace offline
