// The drive source over an NTFS volume of a disk image (--image): names
// matched through the volume's own upper-case table, 8.3 names too; folders
// listed in index order with each file's 8.3 name; hard links under each of
// their names; junctions and symbolic links followed only while they stay on
// the volume; only a file's unnamed data stream read (compressed and sparse
// files through the library); deleted files and the file system's own files
// never seen. Nothing is ever written to the image.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/offline/disk/disk_image.h"
#include "platform/offline/winapi/image_drive.h"

namespace offline {

class ImageSource : public ImageDrive {
 public:
  // The volume `volume` (the survey's `info`) of `image`, as the drive
  // `drive` ('C') of the offline machine.
  ImageSource(std::shared_ptr<const disk::Image> image, const disk::VolumeInfo& info,
              std::unique_ptr<ntfs::Volume> volume, char16_t drive);

  std::optional<DrivePath> Resolve(const safefs::Parts& components, bool followFinal) const override;
  std::optional<DriveStat> Stat(const DrivePath& path) const override;
  std::vector<DriveEntry> List(const DrivePath& folder, const EntryFilter& wanted, std::size_t limit) const override;
  std::unique_ptr<DriveFile> Open(const DrivePath& path) const override;
  std::u16string UpperCase(std::u16string_view name) const override;
  std::string Describe(const DrivePath& path) const override;

  // Why the folder `path` cannot be listed (its index is damaged, ...);
  // empty when it can, or when it does not exist.
  std::string FolderProblem(const safefs::Parts& path) const override;
  std::vector<std::string> TakeWarnings() const override;

 private:
  struct Entry {
    std::uint64_t ref = 0;
    ntfs::FileName name;       // the long name, with the index's copy of size, times, attributes
    std::u16string shortName;  // its separate 8.3 name, if any
  };
  struct Folder {
    std::vector<Entry> entries;                              // in index order
    std::unordered_map<std::u16string, std::size_t> byName;  // upper-cased long and 8.3 names
    std::string problem;                                     // why the index could not be read
  };

  std::shared_ptr<const Folder> FolderOf(std::uint64_t ref, const std::string& where) const;
  std::shared_ptr<const Folder> LoadFolder(std::uint64_t ref) const;
  std::optional<std::vector<std::u16string>> LinkTarget(const ntfs::ReparsePoint& point, bool* absolute) const;

  std::shared_ptr<const disk::Image> image_;
  disk::VolumeInfo info_;
  std::unique_ptr<ntfs::Volume> volume_;
  char16_t drive_;
  mutable std::mutex mutex_;
  mutable std::map<std::uint64_t, std::shared_ptr<const Folder>> folders_;
  mutable std::size_t cachedEntries_ = 0;
  mutable std::vector<std::string> warnings_;
};

}  // namespace offline

namespace offline {

// The module's calls, for a program that links the reader itself.
const ImageModule* ImageReader();

}  // namespace offline
