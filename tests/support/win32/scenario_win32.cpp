// Windows scenario: the machine is the real one (under Wine in CI). Everything a
// scenario creates is recorded and removed again when it ends.
#include "tests/support/scenario.h"

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text.h"

namespace testing_support {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::u16string Parent(const std::u16string& path) {
  std::size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

bool IsDirectory(const std::u16string& path) {
  DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Deletes a key below HKEY_LOCAL_MACHINE with all its subkeys.
void DeleteKeyTree(const std::u16string& key) {
  ::HKEY h = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(key), 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
    wchar_t name[256];
    for (;;) {
      DWORD length = 256;
      if (::RegEnumKeyExW(h, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DeleteKeyTree(key + u"\\" + std::u16string(reinterpret_cast<const char16_t*>(name)));
    }
    ::RegCloseKey(h);
  }
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, W(key));
}

}  // namespace

struct Scenario::Impl {
  std::vector<std::u16string> createdFiles;
  std::vector<std::u16string> createdDirs;  // in creation order
  std::vector<std::u16string> createdKeys;  // in creation order

  void EnsureDir(const std::u16string& path) {
    if (path.size() <= 3 || IsDirectory(path)) return;
    EnsureDir(Parent(path));
    if (::CreateDirectoryW(W(path), nullptr)) createdDirs.push_back(path);
  }

  ::HKEY CreateKeyPath(const std::u16string& key) {
    // Create each level so that the ones we made can be removed afterwards.
    std::u16string sofar;
    ::HKEY handle = nullptr;
    std::size_t start = 0;
    while (start <= key.size()) {
      std::size_t end = key.find(u'\\', start);
      if (end == std::u16string::npos) end = key.size();
      if (end > start) {
        sofar += (sofar.empty() ? u"" : u"\\") + key.substr(start, end - start);
        ::HKEY existing = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(sofar), 0, KEY_READ, &existing) == ERROR_SUCCESS) {
          ::RegCloseKey(existing);
        } else {
          ::HKEY made = nullptr;
          if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(sofar), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr) !=
              ERROR_SUCCESS)
            throw std::runtime_error("cannot create registry key " + text::ToUtf8(sofar));
          ::RegCloseKey(made);
          createdKeys.push_back(sofar);
        }
      }
      start = end + 1;
    }
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(key), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
      throw std::runtime_error("cannot open registry key " + text::ToUtf8(key));
    return handle;
  }
};

Scenario::Scenario(RegistrySource) : impl_(new Impl) {}

Scenario::~Scenario() {
  for (auto it = impl_->createdFiles.rbegin(); it != impl_->createdFiles.rend(); ++it) {
    ::SetFileAttributesW(W(*it), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(W(*it));
  }
  for (auto it = impl_->createdKeys.rbegin(); it != impl_->createdKeys.rend(); ++it) DeleteKeyTree(*it);
  for (auto it = impl_->createdDirs.rbegin(); it != impl_->createdDirs.rend(); ++it) {
    // Files the program wrote there (trace, report) go with the folder.
    WIN32_FIND_DATAW data;
    std::u16string pattern = *it + u"\\*";
    HANDLE find = ::FindFirstFileW(W(pattern), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::u16string name(reinterpret_cast<const char16_t*>(data.cFileName));
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW(W(*it + u"\\" + name));
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(W(*it));
  }
  delete impl_;
}

bool Scenario::IsWine() { return true; }

std::u16string Scenario::SystemDir() const {
  wchar_t buffer[MAX_PATH] = {};
  ::GetSystemDirectoryW(buffer, MAX_PATH);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}
std::u16string Scenario::DriversDir() const { return SystemDir() + u"\\Drivers\\"; }
std::u16string Scenario::WindowsDir() const {
  std::u16string s = SystemDir();
  std::size_t first = s.find(u'\\');
  std::size_t second = first == std::u16string::npos ? first : s.find(u'\\', first + 1);
  return second == std::u16string::npos ? s : s.substr(0, second);
}
std::u16string Scenario::MarkerDir() const { return SystemDir().substr(0, 3) + u"Halvorn\\Version\\"; }

void Scenario::WriteFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
  impl_->EnsureDir(Parent(path));
  bool existed = ::GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES;
  HANDLE h = ::CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + text::ToUtf8(path));
  DWORD written = 0;
  BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  if (!ok || written != bytes.size()) throw std::runtime_error("short write " + text::ToUtf8(path));
  if (!existed) impl_->createdFiles.push_back(path);
}

void Scenario::WriteText(const std::u16string& path, const std::string& bytes) {
  WriteFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void Scenario::WritePe(const std::u16string& path, const tools::VersionSpec& versionSpec) {
  WriteFile(path, tools::BuildVersionedPe(versionSpec));
}

void Scenario::MakeDir(const std::u16string& path) { impl_->EnsureDir(path); }

void Scenario::Remove(const std::u16string& path) {
  if (!::DeleteFileW(W(path))) ::RemoveDirectoryW(W(path));
}

bool Scenario::Exists(const std::u16string& path) const {
  return ::GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::uint8_t> Scenario::ReadFile(const std::u16string& path) const {
  std::vector<std::uint8_t> out;
  HANDLE h = ::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  std::uint8_t buffer[65536];
  DWORD got = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) out.insert(out.end(), buffer, buffer + got);
  ::CloseHandle(h);
  return out;
}

void Scenario::CreateKey(const std::u16string& key) { ::RegCloseKey(impl_->CreateKeyPath(key)); }

void Scenario::SetRaw(const std::u16string& key, const std::u16string& name, std::uint32_t type,
                      const std::vector<std::uint8_t>& data) {
  ::HKEY h = impl_->CreateKeyPath(key);
  LONG r = ::RegSetValueExW(h, W(name), 0, type, data.data(), static_cast<DWORD>(data.size()));
  ::RegCloseKey(h);
  if (r != ERROR_SUCCESS) throw std::runtime_error("cannot set registry value " + text::ToUtf8(name));
}

void Scenario::SetString(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                         std::uint32_t type) {
  std::vector<std::uint8_t> data;
  for (char16_t c : value) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  SetRaw(key, name, type, data);
}

void Scenario::SetDword(const std::u16string& key, const std::u16string& name, std::uint32_t value) {
  SetRaw(key, name, REG_DWORD,
         {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void Scenario::DeleteKey(const std::u16string& key) { DeleteKeyTree(key); }

bool Scenario::CanSetOsVersion() const { return false; }
void Scenario::SetOsVersion(unsigned, unsigned) {}
void Scenario::Apply() {}
std::string Scenario::HostRoot() const { return std::string(); }

}  // namespace testing_support
