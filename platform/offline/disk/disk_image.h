// A disk image opened read-only through The Sleuth Kit: a raw or split raw
// file, VHD, VHDX, VMDK or E01 (with its other segments), or a block device;
// its partition table (MBR or GPT, or none: a file system filling the disk)
// and what each volume holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/offline/disk/ntfs_volume.h"
#include "platform/offline/formats/byte_view.h"

struct TSK_IMG_INFO;

namespace offline::disk {

// One volume as the survey found it.
struct VolumeInfo {
  int index = 0;             // from 1, in the partition table's order (what --partition takes)
  std::uint64_t offset = 0;  // bytes from the start of the disk
  std::uint64_t size = 0;    // bytes
  std::string partition;     // the table's words for it ("NTFS / exFAT (0x07)"); empty without a table
  std::string fileSystem;    // "NTFS", "BitLocker", another file system's name, or "unknown"
  std::u16string label;
  std::u16string windows;  // the Windows folder ("WINDOWS") when it holds system32; else empty
  std::string problem;     // why it cannot be read; empty when it can

  bool IsNtfs() const { return fileSystem == "NTFS" && problem.empty(); }
  // "volume 2 (offset 1048576, 20 MiB): NTFS 'SYSTEM', Windows in \WINDOWS" and the like.
  std::string Describe() const;
};

class Image {
 public:
  // The image at `path` and its other segments; null with the reason for a
  // path that is no regular file or block device, or that cannot be read.
  static std::unique_ptr<Image> Open(const std::string& path, std::string* error);
  // Bytes as a raw disk (for the fuzz target and the tests).
  static std::unique_ptr<Image> FromBytes(ByteView bytes);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  const std::string& Path() const { return path_; }
  // "raw", "split raw (3 files)", "VHD", "VHDX", "VMDK", "E01 (2 files)", ...
  std::string Format() const;
  std::uint64_t Size() const;
  // "MBR", "GPT", or "none".
  const std::string& Table() const { return table_; }
  const std::vector<VolumeInfo>& Volumes() const { return volumes_; }

  // The NTFS file system of `volume`; null with the reason.
  std::unique_ptr<ntfs::Volume> OpenNtfs(const VolumeInfo& volume, std::string* error) const;

 private:
  Image(TSK_IMG_INFO* image, std::string path, std::string container)
      : image_(image), path_(std::move(path)), container_(std::move(container)) {}
  void Survey();
  void Inspect(VolumeInfo* volume) const;

  TSK_IMG_INFO* image_;
  std::string path_;
  std::string container_;  // the format its signature shows
  std::string table_ = "none";
  std::vector<VolumeInfo> volumes_;
  std::vector<std::uint8_t> bytes_;  // FromBytes: the disk itself
};

// The folder "WINDOWS" or "WINNT" in the volume's root that holds "system32"
// (matched as the volume matches names); empty when there is none, with
// `problem` set when a folder on the way cannot be listed.
std::u16string FindWindowsFolder(const ntfs::Volume& volume, std::string* problem);

}  // namespace offline::disk
