#include "model/inf_searches.h"

namespace model {
namespace {

InfSearch CatalogSearch(std::u16string catalog) { return {std::move(catalog), u"version", u"CatalogFile"}; }

void AddOnce(std::vector<InfSearch>& searches, const InfSearch& search) {
  for (const InfSearch& earlier : searches) {
    if (earlier.match == search.match && earlier.section == search.section && earlier.key == search.key) return;
  }
  searches.push_back(search);
}

std::vector<InfSearch> MakeSearches() {
  std::vector<InfSearch> searches;
  for (const AdapterDriver& driver : kAdapterDrivers) {
    AddOnce(searches, CatalogSearch(ListingCatalog(&driver, driver.listing.name)));
    if (driver.listing.companion[0] != 0) AddOnce(searches, CatalogSearch(CompanionCatalog(driver.listing.companion)));
  }
  AddOnce(searches, kTandrelTevoCcl);
  AddOnce(searches, kDefaultTevoCcl);
  AddOnce(searches, kDefaultCcl);
  AddOnce(searches, kCarnel);
  AddOnce(searches, CatalogSearch(ListingCatalog(nullptr, kZolfcacListing)));
  AddOnce(searches, CatalogSearch(CompanionCatalog(kZolfcacCompanion)));
  return searches;
}

}  // namespace

std::u16string ListingCatalog(const AdapterDriver* driver, std::u16string_view name) {
  if (driver != nullptr && driver->listing.catalog != nullptr) return driver->listing.catalog;
  return std::u16string(name) + u".CAT";
}

std::u16string CompanionCatalog(std::u16string_view companion) { return std::u16string(companion) + u".CAT"; }

const std::vector<InfSearch>& InfSearches() {
  static const std::vector<InfSearch> searches = MakeSearches();
  return searches;
}

}  // namespace model
