// One small Windows machine for a test: files (with or without version
// resources), folders, registry keys and values. On Linux it is laid out as an
// offline image and the emulated calls are pointed at it; in the Windows test
// binary (run under Wine) it is written to the real C: drive and registry, and
// removed again when the scenario ends. The same test cases run on both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lib/pe_builder.h"

namespace testing_support {

// Where the offline build takes the registry from; ignored under Wine.
enum class RegistrySource { Hives, RegExportUnicode, RegExportAnsi };

class Scenario {
 public:
  explicit Scenario(RegistrySource source = RegistrySource::Hives);
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  static bool IsWine();

  // System directory as GetSystemDirectoryW gives it (C:\WINDOWS\system32
  // offline, C:\windows\system32 under Wine); DriversDir() adds "\Drivers\".
  std::u16string SystemDir() const;
  std::u16string DriversDir() const;
  std::u16string WindowsDir() const;  // the system directory cut at its second backslash
  std::u16string MarkerDir() const;   // C:\Halvorn\Version\ .

  // Files and folders, by Windows path. Parent folders are created as needed.
  void WriteFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes);
  void WriteText(const std::u16string& path, const std::string& bytes);
  void WritePe(const std::u16string& path, const tools::VersionSpec& versionSpec);
  void MakeDir(const std::u16string& path);
  void Remove(const std::u16string& path);  // file or empty folder
  bool Exists(const std::u16string& path) const;
  std::vector<std::uint8_t> ReadFile(const std::u16string& path) const;

  // Registry below HKEY_LOCAL_MACHINE ("SYSTEM\CurrentControlSet\Services\x").
  void CreateKey(const std::u16string& key);
  void SetString(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                 std::uint32_t type = 1);
  void SetDword(const std::u16string& key, const std::u16string& name, std::uint32_t value);
  void SetRaw(const std::u16string& key, const std::u16string& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data);
  void DeleteKey(const std::u16string& key);

  // OS version as GetVersionExW reports it. Wine cannot change it per test:
  // CanSetOsVersion() is false there and the test skips.
  bool CanSetOsVersion() const;
  void SetOsVersion(unsigned major, unsigned minor);

  // Makes everything written so far visible to the program's calls (offline:
  // writes hives or exports and configures the machine; Wine: nothing to do).
  // Call after changing the machine and before probing it.
  void Apply();

  // Host folder of the offline image (empty under Wine).
  std::string HostRoot() const;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace testing_support
