// What differs between two machines' facts (JSON of model/machine.schema.json,
// from --json, from a report read back or from probing a system): driver and
// marker files, each adapter's parameters, counts, configuration and
// multipath rule, the INF searches' matches, the Tarn_Service and Zolfcac
// facts and the machine's own. Only facts that both sides carry are
// compared; the others are listed as left out. A parameter one side lacks
// where both sides carry the adapter's parameters is a difference.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/json_output.h"

namespace model {

struct Difference {
  std::string field;  // adapters[Emulex StorPort].parameters.QueueDepth
  std::optional<Json> a;
  std::optional<Json> b;  // empty: that side has none
};

struct LeftOut {
  std::string field;  // drivers[*].present
  char onlyIn;        // 'a' or 'b'
  int count;
};

struct DiffResult {
  std::vector<Difference> differences;
  std::vector<LeftOut> leftOut;
};

DiffResult CompareFacts(const Json& a, const Json& b);

// How each side was given: its name as the user wrote it, its kind ("json",
// "report", "root") and, for a report, which one of its file was compared.
struct DiffSide {
  std::string source;
  std::string kind;
  std::string report;
};

// An aligned table with a line for each side and one for what was left out.
std::string DiffAsText(const DiffResult& result, const DiffSide& a, const DiffSide& b);

Json DiffAsJson(const DiffResult& result, const DiffSide& a, const DiffSide& b);

}  // namespace model
