// --versions: the versions of the ten known driver files and the seventeen
// version markers, one "name: version" line each ("-" when absent).
#pragma once

#include <string>

namespace app {

std::string VersionListing();

}  // namespace app
