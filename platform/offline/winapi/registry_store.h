// The offline registry: HKEY_LOCAL_MACHINE\SYSTEM and \SOFTWARE from the
// image's hive files, or from registry exports given on the command line.
#pragma once

#include <string>
#include <string_view>

#include "platform/offline/formats/reg_tree.h"

namespace offline {

struct Machine;

// Loads the registry for the machine; problems that do not stop the run
// (a dirty hive, a malformed export line) are appended to `warnings`, one per
// line. False, with the reason in `error`, when a --reg export cannot be read.
bool LoadRegistry(const Machine& machine, std::string* warnings, std::string* error);

// HKEY_LOCAL_MACHINE of the registry in force.
RegTreeKey& RegistryRoot();

// The key at `path` below HKEY_LOCAL_MACHINE, SYSTEM\CurrentControlSet being
// the control set that SYSTEM\Select\Current names; null when there is none.
const RegTreeKey* LookUpKey(std::u16string_view path);

}  // namespace offline
