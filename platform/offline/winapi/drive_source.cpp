#include "platform/offline/winapi/drive_source.h"

#include <sys/stat.h>

#include "platform/os.h"

namespace offline {

std::optional<std::vector<std::uint8_t>> ReadAll(DriveFile& file, std::size_t maxBytes) {
  const std::uint64_t size = file.Size();
  if (size > maxBytes) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    long n = file.ReadAt(got, bytes.data() + got, bytes.size() - got);
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  return bytes;
}

std::uint32_t AttributesOfMode(mode_t mode) {
  std::uint32_t attributes = S_ISDIR(mode) ? os::FILE_ATTRIBUTE_DIRECTORY : os::FILE_ATTRIBUTE_NORMAL;
  if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= os::FILE_ATTRIBUTE_READONLY;
  if (attributes != os::FILE_ATTRIBUTE_NORMAL) attributes &= ~os::FILE_ATTRIBUTE_NORMAL;
  return attributes;
}

std::uint64_t FileTimeTicks(const struct timespec& t) {
  return (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
         static_cast<std::uint64_t>(t.tv_nsec) / 100;
}

}  // namespace offline
