// Reading and writing files of the offline image by their Windows path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace offline {

// Host path of an existing file or folder named by a Windows path (each
// component matched without regard to case; a path on another drive or one
// that leaves the root does not exist). Files written below --output shadow
// the image's.
std::optional<std::string> MapExisting(std::u16string_view windowsPath);

// Reads a whole regular file of the image; nullopt when absent, not a regular
// file, or larger than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadImageFile(std::u16string_view windowsPath, std::size_t maxBytes);

}  // namespace offline
