#include "app/machine_sources.h"

#include <nlohmann/json.hpp>

#include "model/collect.h"
#include "model/report_reader.h"
#include "platform/machine_source.h"

namespace app {
namespace {

// JSON nests no deeper than this; deeper input is refused before it is read
// into memory (nlohmann's parser itself does not recurse).
constexpr int kMaxJsonDepth = 32;

struct Kind {
  const char* prefix;
  SourceKind kind;
  const char* name;
};

constexpr Kind kKinds[] = {
    {"json:", SourceKind::kJson, "json"},
    {"report:", SourceKind::kReport, "report"},
    {"root:", SourceKind::kRootFolder, "root"},
};

const char* KindName(SourceKind kind) {
  for (const Kind& k : kKinds) {
    if (k.kind == kind) return k.name;
  }
  return "";
}

bool ReadFile(const std::string& path, std::string* bytes, std::string* error) {
  return platform::ReadUserFile(path, model::kMaxReportFileBytes, bytes, error);
}

bool LoadJson(const std::string& bytes, model::Json* facts, std::string* error) {
  model::Json doc;
  try {
    doc = model::Json::parse(bytes, [](int depth, model::Json::parse_event_t, model::Json&) {
      if (depth > kMaxJsonDepth) throw std::length_error("nested too deeply");
      return true;
    });
  } catch (const std::exception& e) {
    *error = std::string("not valid JSON: ") + e.what();
    return false;
  }
  if (doc.is_array() && !doc.empty()) doc = model::Json(doc.back());  // the newest report
  const auto version = doc.is_object() ? doc.find("schema_version") : doc.end();
  if (!doc.is_object() || version == doc.end() || !version->is_string() ||
      version->get<std::string>().rfind("1.", 0) != 0 || doc.find("adapters") == doc.end()) {
    *error = "not a JSON output of quillon (schema_version 1.x)";
    return false;
  }
  *facts = std::move(doc);
  return true;
}

bool LoadReport(const std::string& bytes, model::Json* facts, model::DiffSide* side, std::string* warnings,
                std::string* error) {
  model::ReportFile file = model::ReadReports(bytes);
  for (const std::string& problem : file.problems) *warnings += problem + "\n";
  if (file.reports.empty()) {
    *error = file.problems.empty() ? "no report found" : file.problems.back();
    return false;
  }
  const model::ReportInfo& info = *file.reports.back().report;
  side->report = std::to_string(info.number) + " of " + std::to_string(info.count);
  *facts = model::ToJson(file.reports.back());
  return true;
}

}  // namespace

bool ParseMachineSource(const std::string& arg, MachineSource* source, std::string* error) {
  source->given = arg;
  source->location = arg;
  source->sniff = true;
  source->kind = platform::IsUserFolder(arg) ? SourceKind::kRootFolder : SourceKind::kJson;
  for (const Kind& kind : kKinds) {
    const std::string prefix = kind.prefix;
    if (arg.compare(0, prefix.size(), prefix) != 0) continue;
    source->kind = kind.kind;
    source->location = arg.substr(prefix.size());
    source->sniff = false;
  }
  if (source->location.empty()) {
    *error = "'" + arg + "' names no file or folder";
    return false;
  }
  return true;
}

bool LoadMachineSource(const MachineSource& source, model::Json* facts, model::DiffSide* side, std::string* warnings,
                       std::string* error) {
  side->source = source.given;
  side->kind = KindName(source.kind);
  if (source.kind == SourceKind::kRootFolder) {
    if (!platform::SelectSystem({platform::SystemKind::kRootFolder, source.location}, error)) return false;
    *facts = model::ToJson(model::CollectMachineFacts());
    return true;
  }
  std::string bytes;
  if (!ReadFile(source.location, &bytes, error)) return false;
  bool json = source.kind == SourceKind::kJson;
  if (source.sniff) {  // JSON starts with { or [
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    json = first != std::string::npos && (bytes[first] == '{' || bytes[first] == '[');
  }
  side->kind = json ? "json" : "report";
  return json ? LoadJson(bytes, facts, error) : LoadReport(bytes, facts, side, warnings, error);
}

}  // namespace app
