// A machine's facts (JSON of model/machine.schema.json) as one row per fact,
// each named by its path with every file, adapter and INF search named by
// what identifies it: drivers[ELXSTOR.sys].version,
// adapters[Emulex StorPort].parameters.QueueDepth,
// inf_searches[version/CatalogFile/elxstor.CAT].files. The names and fixed
// facts of the driver table (index, family, ...), the schema version, where
// a report stood and the page texts are no rows.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/json_output.h"

namespace model {

struct FactRow {
  std::string field;
  std::string group;     // the field with [*] for a name: drivers[*].version
  const Json* value;     // points into the document
  std::string settings;  // for a setting, the field of the settings object it is in
};

struct FactRows {
  std::vector<FactRow> rows;
  std::vector<std::string> settingsFields;  // every settings object carried, empty ones too
};

FactRows ListFacts(const Json& doc);

// A fact as one line of text: a string as it stands, anything else as JSON.
std::string FactText(const Json& value);

}  // namespace model
