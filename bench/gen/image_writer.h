// Writes a planned server as a system drive on the host: the inf folder (OEM
// and inbox INFs with their .PNF files), drivers and version markers as PE
// files of their real size, and the other system32 files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/gen/server_plan.h"

namespace bench {

struct WrittenImage {
  std::vector<std::string> neededFiles;  // host paths of the files a run reads (hives or export not included)
  int infFolderFiles = 0;
};

// The host path below `root` of a path on the system drive ("C:\WINDOWS\inf").
std::string HostPath(const std::string& root, const std::string& windowsPath);

// Creates every parent folder of `path`; writes the file. False on failure.
bool WriteHostFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

bool WriteImage(const ServerPlan& plan, const ServerOptions& options, const std::string& root, WrittenImage* out,
                std::string* error);

}  // namespace bench
