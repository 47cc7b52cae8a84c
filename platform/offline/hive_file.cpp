#include "platform/offline/hive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/offline/hive_reader.h"

namespace offline {

void ReadHive(const std::string& hostPath, RegTreeKey* into, std::string* warnings) {
  // Non-blocking, so that a FIFO in the image's place of a hive cannot stall the run.
  const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st;
  const bool regular = fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const auto read = regular ? ReadHiveDescriptor(fd, into) : Parsed<HiveInfo, HiveError>(HiveError::kDamaged);
  if (fd >= 0) close(fd);
  if (!read) {
    // A hive without a root key simply has no keys.
    if (read.reason() != HiveError::kNoRoot && warnings) *warnings += hostPath + ": not a readable registry hive\n";
    return;
  }
  if (read->dirty && warnings) *warnings += hostPath + ": hive was not closed cleanly (dirty); reading it as it is\n";
}

}  // namespace offline
