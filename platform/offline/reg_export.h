// Registry export (.reg) files: applied onto the in-memory key tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/offline/reg_tree.h"

namespace offline {

// Applies an export's keys below HKEY_LOCAL_MACHINE onto `root` (whose
// children are SYSTEM, SOFTWARE, ...). Malformed lines are reported as
// "FILE:LINE: message" in `warnings` and skipped.
void ApplyRegExport(const std::vector<std::uint8_t>& bytes, const std::string& fileName, RegTreeKey* root,
                    std::string* warnings);

}  // namespace offline
