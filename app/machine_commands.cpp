#include "app/machine_commands.h"

#include <algorithm>
#include <cstdio>

#include "app/command.h"
#include "app/machine_sources.h"
#include "model/diff.h"
#include "model/fact_rows.h"
#include "model/json_output.h"
#include "model/report_reader.h"
#include "platform/machine_source.h"

namespace app {
namespace {

// The words of `args` other than --json, and whether --json was among them.
std::vector<std::string> Operands(const std::vector<std::string>& args, bool* json) {
  std::vector<std::string> operands;
  *json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      *json = true;
    } else {
      operands.push_back(arg);
    }
  }
  return operands;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "quillon: %s (see --help)\n", message.c_str());
  return 2;
}

void Warn(const std::string& prefix, const std::string& lines) {
  std::size_t start = 0;
  while (start < lines.size()) {
    const std::size_t end = lines.find('\n', start);
    std::fprintf(stderr, "quillon: %s: %s\n", prefix.c_str(), lines.substr(start, end - start).c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

std::string ReportsAsText(const model::ReportFile& file) {
  std::string out;
  for (const model::MachineFacts& facts : file.reports) {
    const model::ReportInfo& info = *facts.report;
    out += "Report " + std::to_string(info.number) + " of " + std::to_string(info.count) + " (line " +
           std::to_string(info.firstLine) + (info.written ? ", written " + *info.written : std::string()) +
           (info.complete ? ")\n" : ", incomplete)\n");
    const model::Json doc = model::ToJson(facts);
    const model::FactRows rows = model::ListFacts(doc);
    std::size_t width = 0;
    for (const model::FactRow& row : rows.rows) width = std::max(width, row.field.size());
    for (const model::FactRow& row : rows.rows) {
      out += "  " + row.field + std::string(width - row.field.size() + 2, ' ') + model::FactText(*row.value) + "\n";
    }
    out += "\n";
  }
  return out;
}

}  // namespace

int ReadReportCommand(const std::vector<std::string>& args) {
  bool json = false;
  const std::vector<std::string> files = Operands(args, &json);
  if (files.size() != 1) return Usage("read-report takes one file: read-report FILE [--json]");
  std::string bytes;
  std::string error;
  if (!platform::ReadUserFile(files[0], model::kMaxReportFileBytes, &bytes, &error)) {
    std::fprintf(stderr, "quillon: %s\n", error.c_str());
    return 2;
  }
  const model::ReportFile file = model::ReadReports(bytes);
  std::string out;
  if (json) {
    model::Json all = model::Json::array();
    for (const model::MachineFacts& facts : file.reports) all.push_back(model::ToJson(facts));
    out = model::DumpJson(all);
  } else {
    out = ReportsAsText(file);
  }
  std::string problems;
  for (const std::string& problem : file.problems) problems += problem + "\n";
  Warn(files[0], problems);
  if (PrintToStdout(out) != 0) return 2;
  return file.problems.empty() ? 0 : 1;
}

int DiffCommand(const std::vector<std::string>& args) {
  bool json = false;
  const std::vector<std::string> operands = Operands(args, &json);
  if (operands.size() != 2) return Usage("diff compares two machines: diff A B [--json]");
  model::Json facts[2];
  model::DiffSide sides[2];
  for (int i = 0; i < 2; ++i) {
    MachineSource source;
    std::string error;
    std::string warnings;
    const bool loaded = ParseMachineSource(operands[i], &source, &error) &&
                        LoadMachineSource(source, &facts[i], &sides[i], &warnings, &error);
    Warn(operands[i], warnings);
    if (!loaded) {
      std::fprintf(stderr, "quillon: %s: %s\n", operands[i].c_str(), error.c_str());
      return 2;
    }
  }
  const model::DiffResult result = model::CompareFacts(facts[0], facts[1]);
  const std::string out = json ? model::DumpJson(model::DiffAsJson(result, sides[0], sides[1]))
                               : model::DiffAsText(result, sides[0], sides[1]);
  if (PrintToStdout(out) != 0) return 2;
  return result.differences.empty() ? 0 : 1;
}

}  // namespace app
