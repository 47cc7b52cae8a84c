// The offline registry: HKEY_LOCAL_MACHINE\SYSTEM and \SOFTWARE from the
// image's hive files, or from registry exports given on the command line.
#pragma once

#include <string>

namespace offline {

struct Machine;

// Loads the registry for the machine; problems that do not stop the run
// (a dirty hive, a malformed export line) are appended to `warnings`, one per line.
void LoadRegistry(const Machine& machine, std::string* warnings);

}  // namespace offline
