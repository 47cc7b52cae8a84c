// Hive files of the image read into the key tree, with what went wrong said
// in the run's warnings.
#pragma once

#include <string>

#include "platform/offline/reg_tree.h"

namespace offline {

// Copies the hive at the host path below `into`. A hive that cannot be read
// gives no keys (and a warning), never a failure of the run; a dirty one is
// read as it is, with a warning.
void ReadHive(const std::string& hostPath, RegTreeKey* into, std::string* warnings);

}  // namespace offline
