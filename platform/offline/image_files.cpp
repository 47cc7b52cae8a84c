#include "platform/offline/image_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/offline/path_map.h"

namespace offline {

std::optional<std::string> MapExisting(std::u16string_view windowsPath) {
  std::optional<MappedPath> p = MapForRead(windowsPath);
  if (!p || !p->exists) return std::nullopt;
  return p->host;
}

std::optional<std::vector<std::uint8_t>> ReadImageFile(std::u16string_view windowsPath, std::size_t maxBytes) {
  std::optional<std::string> host = MapExisting(windowsPath);
  if (!host) return std::nullopt;
  int fd = open(host->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::optional<std::vector<std::uint8_t>> result;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got == bytes.size()) result = std::move(bytes);
  }
  close(fd);
  return result;
}

}  // namespace offline
