// Reads SysInfo.log files back into machine facts. A file may hold one report
// or several appended to each other; each is read on its own. What a report
// does not state stays unknown (model/machine_facts.h). A damaged file -- cut
// short, saved in another encoding, edited by hand -- is read as far as it
// can be: a line that cannot be read is skipped and named, and a report that
// ends early keeps only what it stated completely.
//
// The file is untrusted: its size, its line lengths and the number of reports
// kept are bounded, and the work is linear in its size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/machine_facts.h"

namespace model {

// A SysInfo.log is a few kilobytes; larger files are not read.
inline constexpr std::size_t kMaxReportFileBytes = 32u << 20;
// Of more reports in one file, the newest are kept.
inline constexpr int kMaxReportsKept = 1000;

struct ReportFile {
  std::vector<MachineFacts> reports;  // oldest first; each carries its ReportInfo
  int reportsFound = 0;
  // What was skipped, in file order ("line 57: ..."); empty when everything was read.
  std::vector<std::string> problems;
  Known<int> firstUnreadableLine;
};

ReportFile ReadReports(std::string_view bytes);

}  // namespace model
