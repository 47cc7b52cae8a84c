// The names of host folders by their upper case, for finding a name whatever
// its case. A folder is read once and its names kept while it stays the same
// folder with the same change time, so that a run that asks for many names in
// a large folder (each spelt as Windows spells it, not as the disk does)
// reads the folder once instead of once a name.
//
// Limits: kMaxFolders folders and kMaxNames names over all of them are kept;
// a folder of more names is read afresh each time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace offline::safefs {

constexpr std::size_t kMaxFolders = 256;
constexpr std::size_t kMaxNames = 262144;

// The first name (in the folder's own order) of the folder `dirFd` that is
// `name` without regard to case; nullopt when there is none or the folder
// cannot be read.
std::optional<std::string> FindNameNoCase(int dirFd, const std::string& name);

}  // namespace offline::safefs
