#include "app/command.h"

#include "report/report_command.h"

#include <cstdio>
#include <string>

#include "app/page_output.h"
#include "app/startup.h"
#include "app/version_listing.h"

namespace app {
namespace {

int Print(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "quillon: %s (see --help)\n", message.c_str());
  return 2;
}

int ReportCommand(const std::vector<std::string>& args) {
  bool overwrite = true;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--overwrite") {
      overwrite = true;
    } else if (args[i] == "--append") {
      overwrite = false;
    } else {
      return Usage("unknown option for --report: " + args[i]);
    }
  }
  // As in an interactive run: the pages are built (and the trace written) before the report.
  { StartupPages pages; }
  return report::RunReportCommand(overwrite);
}

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
  const std::string command = args.empty() ? std::string("--pages") : args[0];
  if (command == "--report") return ReportCommand(args);
  if (args.size() > 1) return Usage("unexpected argument after " + command + ": " + args[1]);
  if (command == "--pages") return Print(PagesAsText(StartupPages().SheetPages()));
  if (command == "--json") return Print(PagesAsJson(StartupPages().SheetPages()));
  if (command == "--versions") return Print(VersionListing());
  return Usage("unknown option: " + command);
}

}  // namespace app
