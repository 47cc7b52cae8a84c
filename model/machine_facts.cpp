#include "model/machine_facts.h"

#include "model/inf_searches.h"
#include "pages/page_templates.h"
#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/version_files.h"

namespace model {
namespace {

std::string FileOfField(DriverVersionField field) {
  for (const DriverFile& file : kDriverFiles) {
    if (file.field == field) return text::ToUtf8(file.fileName);
  }
  return std::string();
}

AdapterFacts FixedAdapterFacts(const AdapterDriver& driver) {
  AdapterFacts adapter;
  adapter.index = driver.index;
  const pages::PageTemplate* page = pages::FindPageTemplate(driver.pageTemplate);
  adapter.name = page != nullptr ? text::ToUtf8(page->caption) : std::string();
  adapter.family = driver.family == DriverFamily::kEmulex ? "emulex" : "qlogic";
  adapter.driverFile = FileOfField(driver.driverFile);
  adapter.parameterValue = text::ToUtf8(driver.registry.settingsValue);
  return adapter;
}

// File names compared as the file system compares them here: a-z as A-Z.
bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

}  // namespace

MachineFacts EmptyFacts() {
  MachineFacts facts;
  for (const DriverFile& file : kDriverFiles) facts.drivers.push_back({text::ToUtf8(file.fileName), {}, {}});
  for (const MarkerFile& file : kMarkerFiles) facts.markers.push_back({text::ToUtf8(file.fileName), {}, {}});
  for (const AdapterDriver& driver : kAdapterDrivers) facts.adapters.push_back(FixedAdapterFacts(driver));
  for (const InfSearch& search : InfSearches()) {
    facts.infSearches.push_back(
        {text::ToUtf8(search.match), text::ToUtf8(search.section), text::ToUtf8(search.key), {}});
  }
  return facts;
}

AdapterFacts* FindAdapter(MachineFacts& facts, int index) {
  for (AdapterFacts& adapter : facts.adapters) {
    if (adapter.index == index) return &adapter;
  }
  return nullptr;
}

InfSearchFacts* FindInfSearch(MachineFacts& facts, const std::string& match, const std::string& section,
                              const std::string& key) {
  for (InfSearchFacts& search : facts.infSearches) {
    if (search.match == match && search.section == section && search.key == key) return &search;
  }
  return nullptr;
}

FileFacts* FindFile(std::vector<FileFacts>& files, const std::string& file) {
  for (FileFacts& entry : files) {
    if (SameNoCase(entry.file, file)) return &entry;
  }
  return nullptr;
}

const char* MultipathName(const DriverParamInfo& info) {
  if (info.Transparent) return "transparent";
  if (info.MultiPath) return "multi_path";
  if (info.SinglePath) return "single_path";
  return "none";
}

}  // namespace model
