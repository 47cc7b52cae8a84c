// Finds the version resource (RT_VERSION, name id 1) in the bytes of a PE32 or
// PE32+ file without loading it: headers, section table and resource
// directory are all read through bounds-checked views, and anything that does
// not hold together reads as "no version resource".
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/offline/byte_view.h"

namespace offline {

// The language whose version resource an offline machine prefers when a file
// holds several. Windows takes the user's and the system's default UI
// language; an offline image is inspected as a US-English system (0x0409).
constexpr std::uint16_t kOfflineDefaultLanguage = 0x0409;

// Limits on what a file may ask of the reader.
constexpr std::uint32_t kMaxVersionResourceSize = 64 * 1024;  // a version block's wLength is 16-bit
constexpr std::uint32_t kMaxResourceDirEntries = 4096;        // per directory
constexpr std::uint32_t kMaxSections = 96;                    // the loader's own limit on older systems

// Which of a name's language entries is taken, as an index into langs (in
// directory order): neutral (0), then preferred, its neutral sublanguage, its
// default sublanguage, then US English (0x0409), else the first entry.
// Nothing when langs is empty.
std::optional<std::size_t> ChooseLanguage(const std::vector<std::uint16_t>& langs, std::uint16_t preferred);

// A copy of the file's version resource, or nothing when the file is not a PE
// image, has none, or is damaged on the way to it. Bytes of the resource that
// lie past its section's raw data but inside the virtual size read as zero, as
// in a loaded image. As for the loader, every section's raw data must lie
// wholly inside the file.
struct VersionResource {
  std::vector<std::uint8_t> bytes;
};
// hasResources, when given, tells whether the file is an image with a
// readable resource directory (Windows then reports a missing type, otherwise
// a missing resource section).
std::optional<VersionResource> FindVersionResource(ByteView file,
                                                   std::uint16_t preferredLanguage = kOfflineDefaultLanguage,
                                                   bool* hasResources = nullptr);

}  // namespace offline
