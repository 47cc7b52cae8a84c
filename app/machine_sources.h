// Where the facts that `diff` compares come from: a JSON output (of --json or
// of read-report --json), a SysInfo.log, or a system drive folder. A source is
// named with a kind prefix (json:, report:, root:) or by its path alone: a
// folder is a system drive, a file whose first character is "{" or "[" is
// JSON, any other file a report. A new kind of system (a disk image) is one
// more row of the kinds and one more platform::SystemKind.
#pragma once

#include <string>

#include "model/diff.h"
#include "model/json_output.h"

namespace app {

enum class SourceKind { kJson, kReport, kRootFolder };

struct MachineSource {
  SourceKind kind;
  std::string location;  // the path, without its prefix
  std::string given;     // as the user wrote it
  bool sniff = false;    // a file without a prefix: JSON or report by its first character
};

// False, with a message, for an empty path.
bool ParseMachineSource(const std::string& arg, MachineSource* source, std::string* error);

// The source's facts as JSON, of a file of several reports the newest, and
// how to name the side. Problems that leave facts to compare (lines of a
// report that could not be read) go to `warnings`; false, with a message,
// when there is nothing to compare.
bool LoadMachineSource(const MachineSource& source, model::Json* facts, model::DiffSide* side, std::string* warnings,
                       std::string* error);

}  // namespace app
