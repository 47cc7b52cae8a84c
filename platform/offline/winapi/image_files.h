// Reading files of the offline image by their Windows path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/winapi/drive_source.h"

namespace offline {

// Host path of an existing file or folder named by a Windows path (each
// component matched without regard to case; a path on another drive or one
// that leaves the root does not exist), for messages. Files written below
// --output shadow the image's.
std::optional<std::string> MapExisting(std::u16string_view windowsPath);

// Opens an existing regular file for reading; null when it is absent or not a
// regular file (a FIFO, socket or device is never opened). `host` gets where
// it is, for messages.
std::unique_ptr<DriveFile> OpenImageFile(std::u16string_view windowsPath, std::string* host = nullptr);

// Reads a whole regular file of the image; nullopt when absent, not a regular
// file, or larger than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadImageFile(std::u16string_view windowsPath, std::size_t maxBytes);

// Reads a whole regular file from a descriptor; nullopt on a read error or
// when it is larger than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadWhole(int fd, std::size_t maxBytes);

}  // namespace offline
