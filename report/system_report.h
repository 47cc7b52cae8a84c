// SysInfo.log: the support report written next to the version markers, in
// <system drive>\Halvorn\Version\SysInfo.log.
#pragma once

#include <functional>
#include <string>

#include "platform/os.h"
#include "files/text_file.h"

namespace report {

// The question asked when a report is already there, and its caption.
inline constexpr char16_t kOverwriteQuestion[] = u"Would you like to overwrite the existing configuration information?";
inline constexpr char16_t kOverwriteCaption[] = u"File Writing";

struct ReportOptions {
  // Asked only when the report file exists: true (YES) starts the file afresh,
  // false (NO) keeps the old text and appends the new report after it.
  // Unset counts as YES.
  std::function<bool()> askOverwrite;
  // The local time to stamp; unset reads the clock (GetLocalTime) once.
  std::function<os::SYSTEMTIME()> localTime;
  // Hand the finished report to the shell's default viewer.
  bool openViewer = true;
};

struct ReportOutcome {
  std::u16string path;      // Windows path of the report
  bool complete = false;    // the file was opened, every piece written and the file closed
  TextFileFailure failure;  // when not complete: what failed first ("creating the folder", "writing", ...)
};

// Probes the machine afresh and writes the whole report.
ReportOutcome WriteSystemReport(const ReportOptions& options);

// The Tandrel release the report names for the Sollin.sys version text `v`
// ("Tandrel 4.0(SP1 or greater)").
const char16_t* TandrelRelease(const char16_t* v);

// Compares two dotted version texts by their first four components: 1 when a
// is earlier than b, 2 when later, 3 when equal, 0 when either is absent.
int CompareVersions(const char16_t* a, const char16_t* b);

}  // namespace report
