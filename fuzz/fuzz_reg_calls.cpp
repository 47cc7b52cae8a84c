// Feeds arbitrary bytes to the .reg reader as the registry in force, then
// asks for keys and values through the registry calls the probes make:
// every key the export made is opened by its path spelled in another case,
// and every value is read with no buffer, a buffer one byte short and one
// of the size asked for, which must agree with each other.
// Replay: fuzz_reg_calls fuzz/corpus/reg_calls/*
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/offline/formats/reg_export.h"
#include "platform/offline/winapi/registry_store.h"
#include "platform/os.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kMaxOpens = 2000;  // keys opened per input, so that a run stays fast

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void QueryAll(os::HKEY key, const offline::RegTreeKey& tree) {
  for (const auto& [upper, value] : tree.AllValues()) {
    if (value.name.find(u'\0') != std::u16string::npos) continue;  // cannot be asked for
    const std::u16string name = text::Upcased(value.name);         // asked for in another case
    os::DWORD type = 0, size = 0;
    Check(os::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == os::ERROR_SUCCESS);
    Check(size == value.data.size() && type == value.type);
    std::vector<os::BYTE> buffer(size + 1, 0xCC);
    if (size > 0) {
      os::DWORD shorter = size - 1;
      Check(os::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, buffer.data(), &shorter) == os::ERROR_MORE_DATA);
      Check(shorter == size);
    }
    os::DWORD exact = size;
    Check(os::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, buffer.data(), &exact) == os::ERROR_SUCCESS);
    Check(exact == size && buffer[size] == 0xCC);
  }
}

void Visit(const offline::RegTreeKey& tree, const std::u16string& path, std::size_t* opened) {
  if (++*opened > kMaxOpens) return;
  os::HKEY key = nullptr;
  // A name that holds a backslash or a NUL cannot be asked for by path.
  if (path.find(u'\0') != std::u16string::npos) return;
  Check(os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, path.c_str(), 0, os::KEY_READ, &key) == os::ERROR_SUCCESS);
  QueryAll(key, tree);
  os::RegCloseKey(key);
  for (const auto& [upper, child] : tree.Subkeys()) {
    if (child->name.find(u'\\') != std::u16string::npos) continue;
    Visit(*child, path.empty() ? child->name : path + u"\\" + text::Upcased(child->name), opened);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  offline::RegistryRoot() = offline::RegTreeKey{};
  std::string warnings;
  offline::ApplyRegExport(std::vector<std::uint8_t>(data, data + size), "fuzz.reg", &offline::RegistryRoot(), nullptr,
                          &warnings);
  std::size_t opened = 0;
  for (const auto& [upper, child] : offline::RegistryRoot().Subkeys()) Visit(*child, child->name, &opened);
  // The paths the probes ask for, CurrentControlSet through Select.
  for (const char16_t* path : {u"SYSTEM\\CurrentControlSet\\Services\\elxstor\\Parameters\\Device",
                               u"SYSTEM\\CurrentControlSet\\Services\\ql2300\\Parameters\\Device",
                               u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"}) {
    os::HKEY key = nullptr;
    if (os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, path, 0, os::KEY_READ, &key) != os::ERROR_SUCCESS) continue;
    os::DWORD size = 0;
    os::RegQueryValueExW(key, u"DriverParameter", nullptr, nullptr, nullptr, &size);
    os::RegCloseKey(key);
  }
  return 0;
}
