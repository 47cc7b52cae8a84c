// Hive files laid out as Windows leaves a freshly saved hive: every key,
// value and list in one cell each, no free space but the tail of a bin.
//
// tools/lib/hive_writer goes through hivex's write calls, which leave the old
// subkey list behind as a free cell whenever a key is added; for a SYSTEM hive
// with two control sets of 1,500 services that is 23 of its 27 MB. The
// benchmark reads and counts the whole hive file, so it writes its own.
#pragma once

#include <string>

#include "tools/lib/registry_content.h"

namespace bench {

// Writes the keys below SYSTEM and SOFTWARE of `content` as two hive files,
// with SYSTEM\CurrentControlSet written as ControlSet<controlSet> (the caller
// sets SYSTEM\Select\Current). False with a message on failure.
bool WriteCompactHives(const tools::RegistryContent& content, unsigned controlSet, const std::string& systemHive,
                       const std::string& softwareHive, std::string* error);

}  // namespace bench
