// The result of CompareFacts as an aligned table and as JSON.
#include <algorithm>

#include <nlohmann/json.hpp>

#include "model/diff.h"
#include "model/fact_rows.h"

namespace model {
namespace {

std::string ValueText(const std::optional<Json>& value) { return value ? FactText(*value) : "(none)"; }

std::string SideText(const DiffSide& side) {
  std::string kind = side.kind == "json" ? "JSON output" : side.kind == "report" ? "SysInfo.log" : "system drive";
  if (!side.report.empty()) kind += ", report " + side.report;
  return side.source + " (" + kind + ")";
}

std::string Padded(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

Json SideJson(const DiffSide& side) {
  Json out;
  out["source"] = side.source;
  out["kind"] = side.kind;
  if (!side.report.empty()) out["report"] = side.report;
  return out;
}

}  // namespace

std::string DiffAsText(const DiffResult& result, const DiffSide& a, const DiffSide& b) {
  std::string out = "A: " + SideText(a) + "\nB: " + SideText(b) + "\n\n";
  if (result.differences.empty()) {
    out += "No differences.\n";
  } else {
    std::size_t fieldWidth = 5;
    std::size_t aWidth = 1;
    for (const Difference& d : result.differences) {
      fieldWidth = std::max(fieldWidth, d.field.size());
      aWidth = std::max(aWidth, ValueText(d.a).size());
    }
    out += Padded("FIELD", fieldWidth) + "  " + Padded("A", aWidth) + "  B\n";
    for (const Difference& d : result.differences) {
      out += Padded(d.field, fieldWidth) + "  " + Padded(ValueText(d.a), aWidth) + "  " + ValueText(d.b) + "\n";
    }
    const std::size_t n = result.differences.size();
    out += "\n" + std::to_string(n) + (n == 1 ? " difference.\n" : " differences.\n");
  }
  if (!result.leftOut.empty()) {
    out += "Not compared, carried by one side only:";
    for (const LeftOut& left : result.leftOut) {
      out += "\n  " + left.field + " (only " + static_cast<char>(left.onlyIn - 'a' + 'A') +
             (left.count > 1 ? ", " + std::to_string(left.count) + " times" : std::string()) + ")";
    }
    out += "\n";
  }
  return out;
}

Json DiffAsJson(const DiffResult& result, const DiffSide& a, const DiffSide& b) {
  Json out;
  out["schema_version"] = kSchemaVersion;
  out["a"] = SideJson(a);
  out["b"] = SideJson(b);
  out["equal"] = result.differences.empty();
  Json differences = Json::array();
  for (const Difference& d : result.differences) {
    Json entry;
    entry["field"] = d.field;
    if (d.a) entry["a"] = *d.a;
    if (d.b) entry["b"] = *d.b;
    differences.push_back(std::move(entry));
  }
  out["differences"] = std::move(differences);
  Json leftOut = Json::array();
  for (const LeftOut& left : result.leftOut) {
    Json entry;
    entry["field"] = left.field;
    entry["only_in"] = std::string(1, left.onlyIn);
    entry["count"] = left.count;
    leftOut.push_back(std::move(entry));
  }
  out["left_out"] = std::move(leftOut);
  return out;
}

}  // namespace model
