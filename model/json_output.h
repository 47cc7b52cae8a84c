// A machine's facts as JSON (model/machine.schema.json): keys in a fixed
// order, whole numbers as numbers, facts a source does not know left out.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "model/machine_facts.h"

namespace model {

using Json = nlohmann::ordered_json;

// "MAJOR.MINOR": a reader accepts every MINOR of its MAJOR.
inline constexpr char kSchemaVersion[] = "1.0";

Json ToJson(const MachineFacts& facts);

// Two blanks per level, keys in their order, UTF-8 (an invalid sequence
// becomes U+FFFD), ending in a line end: the same bytes from both builds.
std::string DumpJson(const Json& json);

// DumpJson(ToJson(facts)).
std::string FactsAsJsonText(const MachineFacts& facts);

}  // namespace model
