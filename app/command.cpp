#include "app/command.h"

#include "report/report_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/machine_commands.h"
#include "app/page_output.h"
#include "app/startup.h"
#include "app/version_listing.h"

namespace app {

// Standard output that cannot take the text (a full disk, a closed pipe) is a failure.
int PrintToStdout(const std::string& s) {
  const bool written = std::fwrite(s.data(), 1, s.size(), stdout) == s.size();
  if (written && std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "quillon: cannot write to standard output: %s\n", std::strerror(errno));
  return 1;
}

namespace {

int Usage(const std::string& message) {
  std::fprintf(stderr, "quillon: %s (see --help)\n", message.c_str());
  return 2;
}

bool IsCommand(const std::string& arg) { return arg == "--pages" || arg == "--json" || arg == "--versions"; }

// `args` holds --report and its options, in any order.
int ReportCommand(const std::vector<std::string>& args) {
  bool overwrite = false;
  bool append = false;
  for (const std::string& arg : args) {
    if (arg == "--report") continue;
    if (arg == "--overwrite") {
      overwrite = true;
    } else if (arg == "--append") {
      append = true;
    } else if (IsCommand(arg)) {
      return Usage("only one command may be given: --report and " + arg);
    } else {
      return Usage("unknown option for --report: " + arg);
    }
  }
  if (overwrite && append) return Usage("--overwrite and --append cannot both be given");
  // As in an interactive run: the pages are built (and the trace written) before the report.
  { StartupPages pages; }
  return report::RunReportCommand(!append);
}

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
  const std::string command = args.empty() ? std::string("--pages") : args[0];
  if (command == "read-report") return ReadReportCommand({args.begin() + 1, args.end()});
  if (command == "diff") return DiffCommand({args.begin() + 1, args.end()});
  if (std::find(args.begin(), args.end(), "--report") != args.end()) return ReportCommand(args);
  if (command == "--overwrite" || command == "--append") return Usage(command + " goes with --report");
  if (args.size() > 1) return Usage("only one command may be given: " + command + " and " + args[1]);
  if (command == "--pages") return PrintToStdout(PagesAsText(StartupPages().SheetPages()));
  if (command == "--json") return PrintToStdout(MachineAsJson(StartupPages().SheetPages()));
  if (command == "--versions") return PrintToStdout(VersionListing());
  return Usage("unknown option: " + command);
}

}  // namespace app
