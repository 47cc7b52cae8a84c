// Reads a hive file into the in-memory key tree.
#pragma once

#include <string>

#include "platform/offline/reg_tree.h"

namespace offline {

// Copies the hive's keys below `into`. A corrupt or truncated hive gives
// fewer keys (or none), never a failure of the run; notes go to `warnings`.
void ReadHive(const std::string& hostPath, RegTreeKey* into, std::string* warnings);

}  // namespace offline
