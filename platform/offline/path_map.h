// Windows paths of the offline machine mapped onto host paths below the image
// root (reads) or below the output folder (writes, when one is given).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace offline {

struct MappedPath {
  std::string host;     // host path (may not exist yet)
  bool exists = false;  // the final component exists on the host
  bool parentExists = false;
};

// Splits "C:\a\b" into drive-relative components, resolving "." and ".." without
// ever climbing above the drive root; nullopt for another drive, a relative
// path that cannot be anchored, or a name no NTFS volume accepts.
std::optional<std::string> DriveRelative(std::u16string_view windowsPath);

// Resolves each component without regard to case below `base`; the last
// components may be missing. Symbolic links are followed only while they stay
// inside `base`; one that leaves it makes the path unresolvable.
std::optional<MappedPath> ResolveBelow(const std::string& base, const std::string& relative);

// True when `path` is `base` or lies below it (both host paths without "..").
bool IsInside(const std::string& base, const std::string& path);

// For reading: below --output first (where writes went), then the image.
std::optional<MappedPath> MapForRead(std::u16string_view windowsPath);
// For writing: below --output when given, else into the image.
std::optional<MappedPath> MapForWrite(std::u16string_view windowsPath);

}  // namespace offline
