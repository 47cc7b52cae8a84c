// Loading the offline registry from host files directly (LoadRegistry finds
// them in the image; tests and tools may name them).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace offline {

// Replaces the registry in force: from the exports when any are given, else
// from the SYSTEM and SOFTWARE hive files that exist. False, with the reason
// in `error` and an empty registry, when an export cannot be read or is too
// large; a damaged hive or a broken export line is only a warning.
bool LoadRegistryFiles(const std::optional<std::string>& systemHive, const std::optional<std::string>& softwareHive,
                       const std::vector<std::string>& regFiles, std::string* warnings, std::string* error = nullptr);

}  // namespace offline
