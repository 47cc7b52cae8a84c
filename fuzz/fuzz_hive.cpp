// Feeds arbitrary bytes to the hive reader as a SYSTEM and SOFTWARE hive and
// looks values up the way the probes do.
// Replay: fuzz_hive fuzz/corpus/hive/*
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/registry_load.h"
#include "platform/os.h"

namespace {

void Lookup(const char16_t* path, const char16_t* name) {
  os::HKEY key = nullptr;
  if (os::RegOpenKeyExW(os::HKEY_LOCAL_MACHINE, path, 0, os::KEY_READ, &key) != os::ERROR_SUCCESS) return;
  os::DWORD size = 0, type = 0;
  if (os::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == os::ERROR_SUCCESS && size <= (1u << 20)) {
    std::vector<os::BYTE> data(size + 1);
    os::DWORD got = size;
    if (os::RegQueryValueExW(key, name, nullptr, &type, data.data(), &got) == os::ERROR_SUCCESS && got > size) {
      __builtin_trap();
    }
    os::DWORD small = 2;
    if (size > 2 && os::RegQueryValueExW(key, name, nullptr, &type, data.data(), &small) != os::ERROR_MORE_DATA) {
      __builtin_trap();
    }
  }
  os::RegCloseKey(key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    char name[] = "/tmp/fuzz_hive_XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  offline::LoadRegistryFiles(path, path, {}, nullptr);
  Lookup(u"SYSTEM\\Select", u"Current");
  Lookup(u"SYSTEM\\CurrentControlSet\\Services\\elxstor", u"ImagePath");
  Lookup(u"SYSTEM\\CurrentControlSet\\Services\\elxstor\\Parameters\\Device", u"DriverParameter");
  Lookup(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"CurrentVersion");
  os::OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  os::GetVersionExW(&info);
  return 0;
}
