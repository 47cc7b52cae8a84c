// Placeholder until the PE builder lands.
#include "tools/lib/pe_builder.h"
namespace tools {
std::vector<std::uint8_t> BuildVersionedPe(const VersionSpec&) { return {}; }
}  // namespace tools
