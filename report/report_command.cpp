#include "report/report_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/diagnostics.h"
#include "platform/text.h"
#include "report/system_report.h"

namespace report {
namespace {

// "writing it failed: No space left on device", "creating the folder /out/Halvorn failed: ...".
std::string Explain(const TextFileFailure& failure, const std::u16string& report) {
  if (failure.step.empty()) return "closing it failed";
  const std::string what = failure.path == report ? std::string("it") : diag::WrittenPath(failure.path.c_str());
  return failure.step + " " + what + " failed: " + failure.reason;
}

}  // namespace

int RunReportCommand(bool overwrite) {
  ReportOptions options;
  options.askOverwrite = [overwrite] { return overwrite; };
  options.openViewer = false;
  ReportOutcome outcome = WriteSystemReport(options);
  if (!outcome.complete) {
    std::fprintf(stderr, "quillon: the report %s could not be written: %s; an earlier report there is left as it was\n",
                 diag::WrittenPath(outcome.path.c_str()).c_str(), Explain(outcome.failure, outcome.path).c_str());
    return 1;
  }
  std::printf("%s\n", text::ToUtf8(outcome.path).c_str());
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "quillon: the report was written, but its path could not be printed on standard output: %s\n",
                 std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace report
