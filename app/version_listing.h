// --versions: the versions of the ten known driver files and the seventeen
// version markers, one "name: version" line each; a file without a version
// reads "name: -", followed by the reason in brackets when one is known
// ("name: - (file not found)", "name: - (no version resource)").
#pragma once

#include <string>

namespace app {

std::string VersionListing();

}  // namespace app
