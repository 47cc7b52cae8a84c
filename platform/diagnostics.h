// Words for messages to the user that Win32 codes alone do not carry: where a
// Windows path is on this machine, and why a call failed. Both builds
// implement it (platform/win32, platform/offline).
#pragma once

#include <string>

#include "platform/os.h"

namespace diag {

// Where the user finds what a write to `windowsPath` reaches: the Windows path
// itself on Windows; offline, the host path below --output or --root. UTF-8.
std::string WrittenPath(const char16_t* windowsPath);

// Why the last call failed, given its last error `error`: the words the
// platform kept beside that error (the host's error text, "it has 2 hard
// links"), else the system's text for the code. UTF-8.
std::string ErrorWords(os::DWORD error);

}  // namespace diag
