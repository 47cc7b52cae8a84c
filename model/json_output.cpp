#include "model/json_output.h"

#include <nlohmann/json.hpp>

namespace model {
namespace {

// A whole decimal number without leading zeros that fits 64 bits.
bool IsWholeNumber(const std::string& s) {
  std::size_t digits = s.size();
  std::size_t start = 0;
  if (!s.empty() && s[0] == '-') {
    start = 1;
    --digits;
  }
  if (digits == 0 || digits > 18) return false;
  if (s[start] == '0' && (digits > 1 || start == 1)) return false;
  for (std::size_t i = start; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

Json SettingValue(const std::optional<std::string>& value) {
  if (!value) return nullptr;
  if (IsWholeNumber(*value)) return std::stoll(*value);
  return *value;
}

template <typename T>
void Put(Json& out, const char* key, const Known<T>& value) {
  if (value) out[key] = *value;
}

// A version text, or null for "no version".
void PutVersion(Json& out, const Known<std::string>& version) {
  if (!version) return;
  if (version->empty()) {
    out["version"] = nullptr;
  } else {
    out["version"] = *version;
  }
}

Json SettingsJson(const Settings& settings) {
  Json out = Json::object();
  for (const Setting& setting : settings) out[setting.name] = SettingValue(setting.value);
  return out;
}

Json FilesJson(const std::vector<FileFacts>& files) {
  Json out = Json::array();
  for (const FileFacts& file : files) {
    Json entry;
    entry["file"] = file.file;
    Put(entry, "present", file.present);
    PutVersion(entry, file.version);
    out.push_back(std::move(entry));
  }
  return out;
}

Json AdapterJson(const AdapterFacts& a) {
  Json out;
  out["index"] = a.index;
  out["name"] = a.name;
  out["family"] = a.family;
  out["driver_file"] = a.driverFile;
  Put(out, "marker_file", a.markerFile);
  Put(out, "service_key", a.serviceKey);
  out["parameter_value"] = a.parameterValue;
  Put(out, "shown", a.shown);
  Put(out, "parameters_read", a.parametersRead);
  Put(out, "driver_parameter", a.driverParameter);
  if (a.parameters) out["parameters"] = SettingsJson(*a.parameters);
  if (!a.counts.empty()) {
    Json counts = Json::object();
    for (const Count& count : a.counts) counts[count.name] = count.value;
    out["counts"] = std::move(counts);
  }
  Put(out, "configuration", a.configuration);
  Put(out, "multipath", a.multipath);
  Put(out, "interrupt_coalescing", a.interruptCoalescing);
  Put(out, a.family == "qlogic" ? "execution_throttle" : "queue_depth", a.queueDepth);
  Put(out, "queue_target", a.queueTarget);
  Put(out, "reset_bus", a.resetBus);
  return out;
}

Json InfSearchJson(const InfSearchFacts& search) {
  Json out;
  out["id"] = search.section + "/" + search.key + "/" + search.match;
  out["match"] = search.match;
  out["section"] = search.section;
  out["key"] = search.key;
  Put(out, "files", search.files);
  return out;
}

Json ReportJson(const ReportInfo& report) {
  Json out;
  out["number"] = report.number;
  out["count"] = report.count;
  out["first_line"] = report.firstLine;
  Put(out, "written", report.written);
  out["complete"] = report.complete;
  Put(out, "first_unreadable_line", report.firstUnreadableLine);
  return out;
}

Json PagesJson(const std::vector<PageFacts>& pages) {
  Json out = Json::array();
  for (const PageFacts& page : pages) {
    Json controls = Json::array();
    for (const PageFacts::Control& control : page.controls) {
      Json entry;
      entry["id"] = control.id;
      entry["text"] = control.text;
      controls.push_back(std::move(entry));
    }
    Json entry;
    entry["template"] = page.templateId;
    entry["caption"] = page.caption;
    entry["controls"] = std::move(controls);
    out.push_back(std::move(entry));
  }
  return out;
}

Json MachineJson(const MachineInfo& m) {
  Json out = Json::object();
  Put(out, "drive", m.drive);
  Put(out, "system_directory", m.systemDirectory);
  Put(out, "os_version", m.osVersion);
  Put(out, "os_code", m.osCode);
  Put(out, "is_64bit", m.is64Bit);
  return out;
}

Json MiscJson(const MiscFacts& m) {
  Json out = Json::object();
  Put(out, "tandrel_installed", m.tandrelInstalled);
  Put(out, "tandrel_release", m.tandrelRelease);
  Put(out, "tarn_service", m.tarnService);
  Put(out, "tevoccl", m.tevoCcl);
  return out;
}

Json OvraJson(const OvraFacts& o) {
  Json out = Json::object();
  Put(out, "zolfcac_present", o.zolfcacPresent);
  Put(out, "driver_parameter", o.driverParameter);
  if (o.parameters) out["parameters"] = SettingsJson(*o.parameters);
  return out;
}

}  // namespace

Json ToJson(const MachineFacts& facts) {
  Json out;
  out["schema_version"] = kSchemaVersion;
  if (facts.report) out["report"] = ReportJson(*facts.report);
  out["machine"] = MachineJson(facts.machine);
  out["drivers"] = FilesJson(facts.drivers);
  out["markers"] = FilesJson(facts.markers);
  Json adapters = Json::array();
  for (const AdapterFacts& adapter : facts.adapters) adapters.push_back(AdapterJson(adapter));
  out["adapters"] = std::move(adapters);
  Json searches = Json::array();
  for (const InfSearchFacts& search : facts.infSearches) searches.push_back(InfSearchJson(search));
  out["inf_searches"] = std::move(searches);
  out["miscellaneous"] = MiscJson(facts.miscellaneous);
  out["ovra"] = OvraJson(facts.ovra);
  if (facts.pages) out["pages"] = PagesJson(*facts.pages);
  return out;
}

std::string DumpJson(const Json& json) { return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"; }

std::string FactsAsJsonText(const MachineFacts& facts) { return DumpJson(ToJson(facts)); }

}  // namespace model
