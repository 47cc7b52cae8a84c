// The commands on machine facts that need no system of their own: reading
// SysInfo.log files back and comparing two machines.
#pragma once

#include <string>
#include <vector>

namespace app {

// read-report FILE [--json]: every report of the file, oldest first, as facts
// (text) or as a JSON array. 0 when everything was read, 1 when anything was
// skipped (named on standard error), 2 for a usage error or a file that
// cannot be read. `args` are the words after the command's name.
int ReadReportCommand(const std::vector<std::string>& args);

// diff A B [--json]: what differs between two machines (app/machine_sources.h).
// 0 when they are equal, 1 when they differ, 2 on an error.
int DiffCommand(const std::vector<std::string>& args);

}  // namespace app
