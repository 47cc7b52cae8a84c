// The directory ids that SetupAPI substitutes in INF text (%11%\foo.sys),
// answered for the offline machine from its own folders and registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace offline {

// The path of directory id `id` for the INF file at `infPath` (a Windows
// path), or nothing for an id this machine cannot answer: the ids Windows
// documents ("Using Dirids") that name a folder of the system or a common
// shell folder. Not answered offline: 53 (a user's profile: no user is
// logged on), 55 (the print processors' folder, per processor environment)
// and shell folders other than the common ones; 13 (the package's driver
// store folder) only for an INF that lies in the driver store itself.
std::optional<std::u16string> InfDirIdPath(unsigned id, std::u16string_view infPath);

}  // namespace offline
