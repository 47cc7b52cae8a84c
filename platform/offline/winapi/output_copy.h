// Copying a file that only the system drive has into the output folder, so
// that it can be opened there for writing while the drive stays untouched.
#pragma once

#include <cstdint>

#include "platform/offline/winapi/path_map.h"

namespace offline {

// A report is a few kilobytes; a file of the drive beyond this is not copied.
constexpr std::uint64_t kMaxOutputCopyBytes = std::uint64_t{64} << 20;

// Copies the system drive's regular file `from` to `to` below the output
// folder: into a temporary file beside `to` that is then renamed, so `to`
// appears whole or not at all. Refuses (false, last error set) a link, a file
// with a second name, anything but a regular file, and a file over the limit.
bool CopyIntoOutput(const Found& from, const Place& to);

}  // namespace offline
