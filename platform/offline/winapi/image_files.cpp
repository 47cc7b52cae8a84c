#include "platform/offline/winapi/image_files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/offline/winapi/path_map.h"

namespace offline {

std::optional<std::string> MapExisting(std::u16string_view windowsPath) {
  std::optional<Found> found = MapForRead(windowsPath);
  if (!found || !found->exists()) return std::nullopt;
  return found->host;
}

std::unique_ptr<DriveFile> OpenImageFile(std::u16string_view windowsPath, std::string* host) {
  std::optional<Found> found = MapForRead(windowsPath);
  if (!found || !found->exists()) return nullptr;
  if (host) *host = found->host;
  if (!S_ISREG(found->path.mode)) {
    errno = S_ISDIR(found->path.mode) ? EISDIR : ENODEV;
    return nullptr;
  }
  return found->source->Open(found->path);
}

std::optional<std::vector<std::uint8_t>> ReadWhole(int fd, std::size_t maxBytes) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxBytes)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadImageFile(std::u16string_view windowsPath, std::size_t maxBytes) {
  std::unique_ptr<DriveFile> file = OpenImageFile(windowsPath);
  if (!file) return std::nullopt;
  return ReadAll(*file, maxBytes);
}

}  // namespace offline
