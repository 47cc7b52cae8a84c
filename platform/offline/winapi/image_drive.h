// Choosing the system drive of a disk image (--image, --partition), and the
// table --list-volumes prints.
#pragma once

#include <memory>
#include <string>

#include "platform/offline/winapi/image_source.h"

namespace offline {

// The NTFS volume of the image at `path` that holds a Windows system folder
// (or, with `partition` above 0, that volume; with `anyNtfs`, the first NTFS
// volume when none holds one), as the drive `drive`. Null with a message
// that names the volumes looked at.
std::shared_ptr<ImageSource> OpenImageDrive(const std::string& path, int partition, bool anyNtfs, char16_t drive,
                                            std::string* error);

// What the image holds, one line per volume: index, offset, size, file
// system, label, Windows folder. False, with the reason, when the image
// cannot be opened.
bool ListVolumes(const std::string& path, std::string* table, std::string* error);

}  // namespace offline
