// The Linux build reads system drive folders and host files.
#include "platform/machine_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/offline/winapi/machine.h"

namespace platform {

bool SelectSystem(const SystemSource& source, std::string* error) {
  switch (source.kind) {
    case SystemKind::kRootFolder: {
      offline::MachineOptions options;
      options.root = source.location;
      return offline::ConfigureMachine(options, error);
    }
  }
  if (error) *error = "this kind of system cannot be read";
  return false;
}

bool ReadUserFile(const std::string& path, std::size_t limit, std::string* bytes, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) *error = "'" + path + "' is not a regular file";
  if (ok && static_cast<std::size_t>(st.st_size) > limit) {
    *error = "'" + path + "' is larger than " + std::to_string(limit >> 20) + " MiB";
    ok = false;
  }
  bytes->clear();
  char buffer[65536];
  while (ok) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || bytes->size() + static_cast<std::size_t>(n) > limit) {
      *error = n < 0 ? "cannot read '" + path + "': " + std::strerror(errno) : "'" + path + "' grew while it was read";
      ok = false;
      break;
    }
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return ok;
}

bool IsUserFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
