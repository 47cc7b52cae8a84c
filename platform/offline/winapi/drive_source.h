// Where the emulated calls read files from: a read-only view of a drive as
// Windows sees it. Paths are resolved, folders listed and regular files opened
// by the source's own rules. Two kinds: a host folder (--root, and --output
// for what the program wrote) and an NTFS volume in a disk image (--image).
// Writes never go through a source: they stay on host folders (safe_fs.h).
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/winapi/safe_fs.h"

namespace offline {

// A file's times as Windows keeps them: 100-ns ticks since 1601.
struct DriveTimes {
  std::uint64_t creation = 0;
  std::uint64_t lastAccess = 0;
  std::uint64_t lastWrite = 0;
};

// What a name leads to.
struct DriveStat {
  // Type and write bits in the host's terms: S_IFREG or S_IFDIR for what
  // Windows shows, S_IFLNK for a link left unfollowed, any other type for
  // what is no file (a FIFO, a device); no write bit: read-only.
  mode_t mode = 0;
  std::uint32_t attributes = 0;  // FILE_ATTRIBUTE_* as FindFirstFileW reports them
  std::uint64_t size = 0;        // 0 for a folder
  std::uint64_t links = 1;       // the file's names (hard links)
  DriveTimes times;
};

// Where a walk down a source ended.
struct DrivePath {
  safefs::Parts parts;        // the source's spelling, links replaced by where they lead; missing parts as asked
  safefs::Parts spelled;      // one per asked component: the name matched (a link's own name), or as asked
  std::size_t found = 0;      // leading parts that exist
  bool parentExists = false;  // all but the last part exist and lead to a folder
  bool finalIsLink = false;   // the last part is a link, left unfollowed as asked
  mode_t mode = 0;            // DriveStat::mode of the last part when it exists
  std::uint64_t node = 0;     // the source's own number for the last existing part

  bool exists() const { return found == parts.size(); }
};

// One entry of a folder listing.
struct DriveEntry {
  std::u16string name;       // the long name
  std::u16string shortName;  // the 8.3 name when the file system keeps one apart; else empty
  DriveStat stat;
  // False in a listing made to be kept (ListToKeep): only stat.mode's type
  // is known, from the folder itself, until DriveSource::StatEntry is asked.
  bool stated = true;
  bool gone = false;  // found no longer a file or folder when it was stated
};

// A regular file (or a folder) opened for reading.
class DriveFile {
 public:
  virtual ~DriveFile() = default;
  virtual std::uint64_t Size() const = 0;
  // Up to `length` bytes at `offset` into `buffer`: the count read (0 at or
  // past the end), or -1 with errno set (EISDIR for a folder).
  virtual long ReadAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
  virtual DriveTimes Times() const = 0;
  // The file's names (hard links).
  virtual std::uint64_t Links() const = 0;
  // The host descriptor, when the source has one; else -1.
  virtual int Fd() const { return -1; }
};

// Takes a listed name (and its 8.3 name, possibly empty) or passes it by.
using EntryFilter = std::function<bool(std::u16string_view name, std::u16string_view shortName)>;

class DriveSource {
 public:
  virtual ~DriveSource() = default;

  // Walks `components` (drive-relative, already free of "." and "..") from
  // the drive's root, each matched without regard to case as the source
  // compares names. Links are followed while they stay on the drive; the last
  // one only with `followFinal`. Nullopt when the path leaves the drive, or
  // meets a link to nowhere or a loop.
  virtual std::optional<DrivePath> Resolve(const safefs::Parts& components, bool followFinal) const = 0;

  // Size, times and attributes of an existing path.
  virtual std::optional<DriveStat> Stat(const DrivePath& path) const = 0;

  // The entries of the folder `folder` that `wanted` takes, in the order the
  // source keeps them, at most `limit`; "." and ".." too, except in the
  // drive's root. Only files and folders: what Windows would not show (a
  // FIFO, a device, a link leading nowhere) is left out.
  virtual std::vector<DriveEntry> List(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit) const = 0;

  // Every entry of `folder`, as List gives them, for a listing that is kept
  // and filtered later: a source may leave an entry's size, times and
  // attributes unread (stated false) until StatEntry is asked for them, so
  // that the entries no filter takes cost nothing more.
  virtual std::vector<DriveEntry> ListToKeep(const DrivePath& folder, std::size_t limit) const {
    return List(
        folder, [](std::u16string_view, std::u16string_view) { return true; }, limit);
  }
  // The stat of an entry of `folder` that ListToKeep left unread; nullopt when
  // it is no longer a file or folder that Windows would show.
  virtual std::optional<DriveStat> StatEntry(const DrivePath& folder, const DriveEntry& entry) const {
    (void)folder;
    return entry.stat;
  }

  // Opens an existing regular file or folder for reading; null with errno
  // (ENODEV for a FIFO, socket or device, ELOOP for a link) otherwise.
  virtual std::unique_ptr<DriveFile> Open(const DrivePath& path) const = 0;

  // A name upper-cased as the source compares names: two names are the same
  // when these are equal, and a folder is ordered by them (unsigned 16-bit units).
  virtual std::u16string UpperCase(std::u16string_view name) const = 0;

  // Where `path` is, for messages.
  virtual std::string Describe(const DrivePath& path) const = 0;

  // Damage met while reading (a folder whose index cannot be read), for the
  // user; each told once.
  virtual std::vector<std::string> TakeWarnings() const { return {}; }
};

// Reads a whole file; nullopt on a read error or when it is larger than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadAll(DriveFile& file, std::size_t maxBytes);

// The host's write bits as FILE_ATTRIBUTE_READONLY, a folder as
// FILE_ATTRIBUTE_DIRECTORY, anything else FILE_ATTRIBUTE_NORMAL.
std::uint32_t AttributesOfMode(mode_t mode);

// A host time as 100-ns ticks since 1601.
std::uint64_t FileTimeTicks(const struct timespec& t);

}  // namespace offline
