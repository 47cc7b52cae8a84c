// The OEM INF searches the tool makes, each once: every adapter driver's
// catalog and companion catalog (the report's listings), the Tandrel TevoCCL
// and default CCL components, Carnel and the OVRA section's Zolfcac driver.
#pragma once

#include <string>
#include <vector>

#include "probes/driver_table.h"

namespace model {

struct InfSearch {
  std::u16string match;
  std::u16string section;
  std::u16string key;
};

// The catalog file the report's listing searches for the driver name `name`
// of `driver` ("elxstor.CAT"; the row's own catalog where it names one).
std::u16string ListingCatalog(const AdapterDriver* driver, std::u16string_view name);

// A companion driver's catalog file ("Lpsimdev.CAT").
std::u16string CompanionCatalog(std::u16string_view companion);

// Every search, without repeats, in the order the report makes them.
const std::vector<InfSearch>& InfSearches();

// The names the OVRA section's listing uses.
inline constexpr char16_t kZolfcacListing[] = u"zolfcac";
inline constexpr char16_t kZolfcacCompanion[] = u"zolc8sw";

// The searches of the TevoCCL and Carnel sections: match text, section, key.
inline const InfSearch kTandrelTevoCcl{u"TEVOCCL", u"TEVOCCL_INST", u"AddReg"};
inline const InfSearch kDefaultTevoCcl{u"TEVOCCL", u"version", u"CatalogFile"};
inline const InfSearch kDefaultCcl{u"CCL", u"version", u"CatalogFile"};
inline const InfSearch kCarnel{u"CARNEL", u"CARNEL_Inst", u"AddReg"};

}  // namespace model
