// Windows paths of the offline machine mapped onto its files: for reading, on
// the drive sources (what was written below --output, then the system drive);
// for writing, onto places below the host folder written to (--output, or
// --root without it), each held open as a folder descriptor for the run.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/offline/winapi/drive_source.h"
#include "platform/offline/winapi/safe_fs.h"

namespace offline {

// Where a Windows path lies on a host folder that is written to.
struct Place {
  std::shared_ptr<const safefs::Tree> tree;  // the root or the output folder
  safefs::Parts parts;                       // on-disk spelling below the tree, links resolved; missing parts as asked
  std::string host;                          // the host path, for messages
  bool exists = false;                       // the last component exists
  bool parentExists = false;
  bool finalIsLink = false;  // the last component is a link (writes never follow it)
  mode_t mode = 0;           // its type when it exists

  bool InOutput() const;
  // The folder holding the last component, for creating, renaming or removing it.
  safefs::Fd OpenParent() const;
  const std::string& Name() const { return parts.back(); }
};

// Where a Windows path lies for reading, on one drive source.
struct Found {
  std::shared_ptr<const DriveSource> source;  // the system drive or the output folder
  DrivePath path;
  std::string host;  // where it is, for messages

  bool exists() const { return path.exists(); }
  bool InOutput() const;
};

// Splits "C:\a\b" into drive-relative components, resolving "." and ".." without
// ever climbing above the drive root; nullopt for another drive, a relative
// path that cannot be anchored, or a name no NTFS volume accepts.
std::optional<std::string> DriveRelative(std::u16string_view windowsPath);

// A drive-relative path ("/a/b", from DriveRelative) on one source, links
// followed; nullopt when the source is null or the path leaves it.
std::optional<Found> FoundIn(const std::shared_ptr<const DriveSource>& source, const std::string& relative);

// For reading: below --output first (where writes went), then the system
// drive. Links are followed while they stay on their source.
std::optional<Found> MapForRead(std::u16string_view windowsPath);
// The system drive's own file, whatever --output holds.
std::optional<Found> MapInSystem(std::u16string_view windowsPath, bool followFinal);
// For writing: below --output when given (creating there the folders of the
// path that the system drive has), else into the root. The last component is
// never followed.
std::optional<Place> MapForWrite(std::u16string_view windowsPath);
// Where a write to `windowsPath` goes, creating nothing.
std::optional<Place> MapWritten(std::u16string_view windowsPath);
// The host path a write to `windowsPath` goes to, creating nothing: for messages.
std::string WriteHostPath(std::u16string_view windowsPath);

}  // namespace offline
