#include "report/report_command.h"

#include <cstdio>
#include <string>

#include "platform/text.h"
#include "report/system_report.h"

namespace report {

int RunReportCommand(bool overwrite) {
  ReportOptions options;
  options.askOverwrite = [overwrite] { return overwrite; };
  options.openViewer = false;
  ReportOutcome outcome = WriteSystemReport(options);
  std::string path = text::ToUtf8(outcome.path);
  if (!outcome.complete) {
    std::fprintf(stderr,
                 "quillon: the report %s could not be written completely (its folder cannot be created, "
                 "the file cannot be opened, or the disk is full)\n",
                 path.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}

}  // namespace report
