#include "model/diff.h"

#include <map>
#include <set>

#include "model/fact_rows.h"

namespace model {
namespace {

// Facts that follow from compared ones: the page's marker and key, whether the
// page is shown, the parameter text itself (its settings are compared one by
// one), what the reader derives from the settings, and the Miscellaneous
// page's words for INF matches and the Sollin.sys version.
bool IsDerived(const std::string& group) {
  static const std::set<std::string> kDerived = {
      "adapters[*].marker_file",         "adapters[*].service_key",          "adapters[*].shown",
      "adapters[*].driver_parameter",    "adapters[*].interrupt_coalescing", "adapters[*].queue_depth",
      "adapters[*].execution_throttle",  "adapters[*].queue_target",         "adapters[*].reset_bus",
      "miscellaneous.tandrel_installed", "miscellaneous.tandrel_release",    "miscellaneous.tevoccl",
      "ovra.driver_parameter",
  };
  return kDerived.count(group) != 0;
}

struct Side {
  FactRows facts;
  std::map<std::string, const FactRow*> byField;
  std::set<std::string> settings;

  explicit Side(const Json& doc) : facts(ListFacts(doc)) {
    for (const FactRow& row : facts.rows) {
      if (!IsDerived(row.group)) byField.emplace(row.field, &row);
    }
    settings.insert(facts.settingsFields.begin(), facts.settingsFields.end());
  }
};

class Comparison {
 public:
  DiffResult result;

  // A fact only `side` carries: a difference when it is a setting and the
  // other side carries the settings it belongs to, else left out.
  void OneSided(const FactRow& row, char side, const Side& other) {
    if (!row.settings.empty() && other.settings.count(row.settings) != 0) {
      Difference difference{row.field, std::nullopt, std::nullopt};
      (side == 'a' ? difference.a : difference.b) = *row.value;
      result.differences.push_back(std::move(difference));
      return;
    }
    const auto key = std::make_pair(row.group, side);
    auto found = leftOut_.find(key);
    if (found != leftOut_.end()) {
      ++result.leftOut[found->second].count;
      return;
    }
    leftOut_[key] = result.leftOut.size();
    result.leftOut.push_back({row.group, side, 1});
  }

 private:
  std::map<std::pair<std::string, char>, std::size_t> leftOut_;
};

}  // namespace

DiffResult CompareFacts(const Json& a, const Json& b) {
  const Side left(a);
  const Side right(b);
  Comparison comparison;
  for (const FactRow& row : left.facts.rows) {
    if (IsDerived(row.group)) continue;
    auto other = right.byField.find(row.field);
    if (other == right.byField.end()) {
      comparison.OneSided(row, 'a', right);
    } else if (*row.value != *other->second->value) {
      comparison.result.differences.push_back({row.field, *row.value, *other->second->value});
    }
  }
  for (const FactRow& row : right.facts.rows) {
    if (!IsDerived(row.group) && left.byField.count(row.field) == 0) comparison.OneSided(row, 'b', left);
  }
  return std::move(comparison.result);
}

}  // namespace model
