// Disk images as the system drive (--image, --partition) and the table
// --list-volumes prints. The reading itself is a module of its own
// (platform/offline/image), loaded only when a run names an image: the disk
// image library links some forty libraries (network, crypto and directory
// ones among them), and loading them and binding their symbols on every start
// took longer than reading every file of a small system.
#pragma once

#include <memory>
#include <string>

#include "platform/offline/winapi/drive_source.h"

namespace offline {

// An NTFS volume of a disk image as a drive.
class ImageDrive : public DriveSource {
 public:
  // Why the folder `path` cannot be listed (its index is damaged, ...);
  // empty when it can, or when it does not exist.
  virtual std::string FolderProblem(const safefs::Parts& path) const = 0;
};

// What the module gives: the two calls below.
struct ImageModule {
  std::shared_ptr<ImageDrive> (*openDrive)(const std::string& path, int partition, bool anyNtfs, char16_t drive,
                                           std::string* error);
  bool (*listVolumes)(const std::string& path, std::string* table, std::string* error);
};
// The module's entry point, by name.
constexpr const char* kImageModuleEntry = "quillon_image_module";
constexpr const char* kImageModuleFile = "quillon-image.so";
using ImageModuleEntry = const ImageModule* (*)();

// A program that links the image reader itself (the tests) hands it over
// here; otherwise the module is loaded from beside the program, or from the
// folder it is installed to.
void UseImageModule(const ImageModule* module);

// The NTFS volume of the image at `path` that holds a Windows system folder
// (or, with `partition` above 0, that volume; with `anyNtfs`, the first NTFS
// volume when none holds one), as the drive `drive`. Null with a message
// that names the volumes looked at, or why the module cannot be loaded.
std::shared_ptr<ImageDrive> OpenImageDrive(const std::string& path, int partition, bool anyNtfs, char16_t drive,
                                           std::string* error);

// What the image holds, one line per volume: index, offset, size, file
// system, label, Windows folder. False, with the reason, when the image
// cannot be opened.
bool ListVolumes(const std::string& path, std::string* table, std::string* error);

}  // namespace offline
