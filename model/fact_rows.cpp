#include "model/fact_rows.h"

#include <cstring>

namespace model {
namespace {

// The arrays whose elements are named by one of their keys.
const char* IdentityKey(const std::string& array) {
  if (array == "drivers" || array == "markers") return "file";
  if (array == "adapters") return "name";
  if (array == "inf_searches") return "id";
  return nullptr;
}

bool IsListed(const std::string& key, bool topLevel, bool element) {
  static const char* const kFixed[] = {"file", "index", "name",    "family", "driver_file", "parameter_value",
                                       "id",   "match", "section", "key"};
  if (topLevel) return key != "schema_version" && key != "report" && key != "pages";
  if (!element) return true;
  for (const char* fixed : kFixed) {
    if (key == fixed) return false;
  }
  return true;
}

void Walk(const Json& object, const std::string& field, const std::string& group, bool element, FactRows& out) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string& key = it.key();
    if (!IsListed(key, field.empty(), element)) continue;
    const std::string path = field.empty() ? key : field + "." + key;
    const std::string kind = group.empty() ? key : group + "." + key;
    const Json& value = it.value();
    const char* identity = field.empty() ? IdentityKey(key) : nullptr;
    if (identity != nullptr && value.is_array()) {
      for (const Json& e : value) {
        auto id = e.is_object() ? e.find(identity) : e.end();
        if (!e.is_object() || id == e.end() || !id->is_string()) continue;
        Walk(e, key + "[" + id->get<std::string>() + "]", key + "[*]", true, out);
      }
    } else if (key == "parameters" && value.is_object()) {
      out.settingsFields.push_back(path);
      for (auto s = value.begin(); s != value.end(); ++s) {
        out.rows.push_back({path + "." + s.key(), kind + ".*", &s.value(), path});
      }
    } else if (value.is_object()) {
      Walk(value, path, kind, false, out);
    } else {
      out.rows.push_back({path, kind, &value, {}});
    }
  }
}

}  // namespace

FactRows ListFacts(const Json& doc) {
  FactRows out;
  if (doc.is_object()) Walk(doc, "", "", false, out);
  return out;
}

std::string FactText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace model
