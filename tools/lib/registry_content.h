// A registry described in memory (keys below HKEY_LOCAL_MACHINE with their
// values), written out as hive files (hive_writer) or as a .reg export.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tools {

struct RegValue {
  std::uint32_t type = 1;          // REG_SZ
  std::vector<std::uint8_t> data;  // raw bytes as RegQueryValueExW hands them over
};

struct RegKey {
  std::u16string path;  // as first given, e.g. SYSTEM\CurrentControlSet\Services\elxstor
  std::vector<std::pair<std::u16string, RegValue>> values;  // in insertion order, names unique (no case)
};

class RegistryContent {
 public:
  // Paths are below HKEY_LOCAL_MACHINE, separated by backslashes, any case.
  void CreateKey(const std::u16string& path);
  void SetValue(const std::u16string& path, const std::u16string& name, RegValue value);
  void SetString(const std::u16string& path, const std::u16string& name, const std::u16string& text,
                 std::uint32_t type = 1);  // stored with its terminator, as Windows does
  void SetDword(const std::u16string& path, const std::u16string& name, std::uint32_t value);
  void DeleteKey(const std::u16string& path);  // with its subkeys
  const std::vector<RegKey>& Keys() const { return keys_; }

 private:
  std::vector<RegKey> keys_;  // every key listed explicitly, parents before children
};

// .reg export text. unicode: "Windows Registry Editor Version 5.00" as UTF-16LE
// with byte-order mark; else "REGEDIT4" in Windows-1252. CurrentControlSet is
// written literally unless controlSet > 0, in which case it is written as
// ControlSet%03u and a SYSTEM\Select key with Current = controlSet is added.
std::vector<std::uint8_t> WriteRegExport(const RegistryContent& content, bool unicode, unsigned controlSet = 0);

// Writes SYSTEM and SOFTWARE hive files (from a copy of the empty template
// hive), resolving CurrentControlSet to ControlSet%03u (controlSet) and
// adding Select\Current. False with a message on failure.
bool WriteHives(const RegistryContent& content, const std::string& templateHive, const std::string& systemHive,
                const std::string& softwareHive, unsigned controlSet, std::string* error);

// Makes the bytes of a hive look not written back cleanly: the primary
// sequence number one ahead of the secondary, the base block's checksum kept
// valid. False when the bytes hold no base block.
bool MarkHiveDirty(std::vector<std::uint8_t>* hive);

}  // namespace tools
