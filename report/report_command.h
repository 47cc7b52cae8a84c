// `--report`: writes SysInfo.log without any window, as the YES answer of the
// main dialog would.
#pragma once

namespace report {

// Runs the start-up probes, writes the report (an existing report is replaced
// when `overwrite` is true, else the new one is appended to it) and opens no
// viewer. Prints the report's Windows path on standard output and returns 0
// when every piece was written and the path printed; otherwise says on
// standard error what failed (the step, the file where the user finds it and
// why) and returns 1.
int RunReportCommand(bool overwrite);

}  // namespace report
