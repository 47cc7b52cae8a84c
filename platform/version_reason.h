// Why a file shows no version. Not a Win32 call: the listings use it to tell
// a person what the version reader met. The Windows build gives the system's
// message for the error version.dll reports; the offline build the reason its
// readers found ("not a PE file", "truncated", "no version resource", ...).
#pragma once

#include <string>

namespace os {

// A few words on why `path` has no readable file version, or an empty text
// when its fixed file information can be read.
std::u16string WhyNoFileVersion(const char16_t* path);

}  // namespace os
