// ReportParser: the registry listings and INF lists, and the end of a report.
#include "model/inf_searches.h"
#include "model/report_lines.h"
#include "model/report_parser.h"
#include "model/settings.h"
#include "platform/text.h"

namespace model {
namespace {

constexpr int kMaxListed = 50;  // a token list holds no more settings or INF names

bool EndsWithInf(std::u16string_view name) {
  return name.size() > 3 && text::EqualsNoCaseAZ(name.substr(name.size() - 3), u"inf");
}

InfSearchFacts* Search(MachineFacts& facts, const InfSearch& search) {
  return FindInfSearch(facts, text::ToUtf8(search.match), text::ToUtf8(search.section), text::ToUtf8(search.key));
}

InfSearchFacts* CatalogSearch(MachineFacts& facts, const std::u16string& catalog) {
  return Search(facts, {catalog, u"version", u"CatalogFile"});
}

bool NonEmpty(const Known<std::vector<std::string>>& files) { return files && !files->empty(); }

}  // namespace

bool ReportParser::TakeHeading(std::u16string_view line, std::string* why) {
  std::u16string_view name;
  const bool opened = Between(line, u"Registry Parameters for ", u" Driver:", &name) ? OpenSettings(name)
                      : Between(line, u"", u" Inf(s) Found:", &name)                 ? OpenInfList(name)
                                                                                     : false;
  if (!opened) *why = "a listing heading that does not belong to this section";
  return opened;
}

bool ReportParser::OpenSettings(std::u16string_view name) {
  if (section_ == Section::kAdapter && name == adapter_->driver().listing.name) {
    adapter_->SawSettingsHeading();
  } else if (section_ != Section::kOvra || name != kZolfcacListing) {
    return false;
  }
  listing_ = std::make_unique<Listing>();
  listing_->settings = true;
  return true;
}

bool ReportParser::OpenInfList(std::u16string_view name) {
  InfSearchFacts* search = nullptr;
  bool companion = false;
  if (section_ == Section::kAdapter) {
    const DriverListing& listing = adapter_->driver().listing;
    if (name == listing.name) {
      search = CatalogSearch(facts_, ListingCatalog(&adapter_->driver(), name));
      adapter_->SawInfHeading();
    } else if (listing.companion[0] != 0 && name == listing.companion) {
      search = CatalogSearch(facts_, CompanionCatalog(name));
    }
  } else if (section_ == Section::kOvra) {
    companion = name == kZolfcacCompanion;
    if (name == kZolfcacListing) search = CatalogSearch(facts_, ListingCatalog(nullptr, name));
    if (companion) search = CatalogSearch(facts_, CompanionCatalog(name));
  } else if (section_ == Section::kTevoCcl) {
    if (name == u"Tandrel's TevoCCL") search = Search(facts_, kTandrelTevoCcl);
    // The default component is searched for as CCL on 64-bit Windows only.
    if (name == u"Default CCL" || name == u"Default TevoCCL") {
      const bool is64 = name == u"Default CCL";
      facts_.machine.is64Bit = is64;
      search = Search(facts_, is64 ? kDefaultCcl : kDefaultTevoCcl);
    }
  } else if (section_ == Section::kCarnel && name == u"Carnel") {
    search = Search(facts_, kCarnel);
  }
  if (search == nullptr) return false;
  listing_ = std::make_unique<Listing>();
  listing_->search = search;
  listing_->ovraCompanion = companion;
  return true;
}

bool ReportParser::TakeListingLine(std::u16string_view content, std::string* why) {
  Listing* listing = listing_.get();
  if (listing == nullptr) {
    *why = "a listing line outside a listing";
    return false;
  }
  if (!listing->settings && IsNothingFoundLine(NormalizeBlanks(content))) {
    listing->damaged = listing->damaged || listing->nothingFound || !listing->files.empty();
    listing->nothingFound = true;
    return true;
  }
  const ListingColumns columns = SplitListingColumns(content);
  for (std::u16string_view item : {columns.first, columns.second}) {
    if (item.empty()) continue;
    if (++listing->tokens > kMaxListed) {
      listing->damaged = true;
      *why = "more entries than a listing holds";
      return false;
    }
    if (listing->settings) {
      AddSetting(listing->values, item);
    } else if (EndsWithInf(item) && !listing->nothingFound) {
      listing->files.push_back(text::ToUtf8(item));
    } else {
      listing->damaged = true;
      *why = "not an INF file name";
      return false;
    }
  }
  listing->ambiguous = listing->ambiguous || columns.ambiguous;
  return true;
}

// A listing is taken once a line of the report follows it (`whole`); at the
// report's end only the OVRA section's INF lists, the last thing it writes.
void ReportParser::CloseListing(bool whole) {
  std::unique_ptr<Listing> listing = std::move(listing_);
  if (!listing || listing->damaged) return;
  if (listing->settings) {
    if (!whole) return;
    if (adapter_) {
      adapter_->SettingsRead(std::move(listing->values), !listing->ambiguous);
    } else if (!listing->ambiguous) {
      facts_.ovra.parameters = std::move(listing->values);
    }
    return;
  }
  if (!whole && section_ != Section::kOvra) return;
  if (!listing->nothingFound && listing->files.empty()) return;
  listing->search->files = std::move(listing->files);
  if (section_ == Section::kOvra) {
    // The companion is searched for only when the driver's own catalog matched.
    ovraDone_ = listing->ovraCompanion || listing->search->files->empty();
  }
}

MachineFacts ReportParser::Finish(bool* whole) {
  CloseListing(false);
  LeaveSection(false);
  for (AdapterFacts& adapter : facts_.adapters) {
    const AdapterDriver& driver = *FindAdapterDriver(adapter.index);
    const PackageMarkers& markers = driver.markers;
    if (facts_.machine.is64Bit) {
      const bool use64 = *facts_.machine.is64Bit && markers.on64.fileName != nullptr;
      adapter.markerFile = text::ToUtf8(use64 ? markers.on64.fileName : markers.on32.fileName);
    }
    if (driver.registry.nt4ServiceKey == nullptr || facts_.machine.osCode) {
      adapter.serviceKey = text::ToUtf8(driver.registry.serviceKey);
    }
  }
  MiscFacts& misc = facts_.miscellaneous;
  const Known<std::vector<std::string>>& tandrel = Search(facts_, kTandrelTevoCcl)->files;
  const Known<std::vector<std::string>>& tevoCcl = Search(facts_, kDefaultTevoCcl)->files;
  const Known<std::vector<std::string>>& ccl = Search(facts_, kDefaultCcl)->files;
  if (NonEmpty(tandrel)) {
    misc.tevoCcl = "tandrel";
  } else if (tandrel && tevoCcl) {
    misc.tevoCcl = tevoCcl->empty() ? "none" : "default";
  } else if (tandrel && ccl && ccl->empty()) {
    misc.tevoCcl = "none";  // every line naming TEVOCCL names CCL too
  }
  ReportInfo& info = *facts_.report;
  if (date_ && time_) info.written = *date_ + "T" + *time_;
  *whole = reachedOvra_ && ovraDone_;
  info.complete = *whole && !info.firstUnreadableLine;
  return std::move(facts_);
}

}  // namespace model
