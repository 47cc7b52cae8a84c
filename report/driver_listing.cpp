#include "report/driver_listing.h"

#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/oem_inf.h"
#include "probes/registry_key.h"
#include "report/piece_sink.h"

namespace report {
namespace {

constexpr char16_t kNotLoaded[] = u"\r\n\t- Driver is not loaded for this device - \r\n";
constexpr char16_t kInfHeading[] = u"\r\n\r\n\r\n%s Inf(s) Found: \r\n";

// Searches the OEM INF files whose [version] CatalogFile names `catalog` and
// lists them; false when none matched.
bool ListCatalogInfs(PieceSink& out, const char16_t* catalog, CTokenList& names) {
  unsigned count = FindOemInfs(u"Oem*.inf", catalog, names, u"version", u"CatalogFile", 1);
  if (count == 0) {
    out.Append(kNotLoaded);
    return false;
  }
  out.Note(WriteInfList(out.file(), names, count));
  names.Clear();
  return true;
}

void WriteRegistrySettings(PieceSink& out, const AdapterDriver& driver, const char16_t* driverName) {
  char16_t work[500] = {};
  text::Format(work, u"%s%s%s", u"System\\CurrentControlSet\\Services\\", driverName, u"\\Parameters\\Device");
  CRegistryKey key;
  if (!key.Open(work)) return;
  char16_t value[260] = {};
  int read = key.ReadString(driver.registry.settingsValue, value);
  key.Close();
  if (!read) return;

  CTokenList settings;
  settings.Split(value, u';');
  out.Append(u"\r\n\r\nRegistry Parameters for  %s Driver:\r\n", driverName);
  for (int i = 0; settings.TokenAt(i) != nullptr; i += 2) {
    out.Append(u"\r\n\t%-30s", settings.TokenAt(i));
    if (settings.TokenAt(i + 1) == nullptr) break;
    out.Append(u"%s", settings.TokenAt(i + 1));
  }
}

}  // namespace

bool WriteInfList(CTextFile& file, const CTokenList& names, unsigned count) {
  PieceSink out(file);
  for (unsigned i = 0; i < count; i += 2) {
    // A count beyond the names actually stored (the list holds at most 50)
    // ends the list rather than printing holes.
    const char16_t* first = names.TokenAt(static_cast<int>(i));
    if (first == nullptr) break;
    char16_t name[260] = {};
    text::Copy(name, first);
    text::Append(name, u"inf");
    out.Append(u"\r\n\t%-30s", name);
    const char16_t* second = i + 1 < count ? names.TokenAt(static_cast<int>(i + 1)) : nullptr;
    if (second != nullptr) out.Append(u"%sinf", second);
  }
  return out.complete();
}

bool WriteDriverListing(CTextFile& file, int driverIndex, const char16_t* driverName, const char16_t* companionName) {
  PieceSink out(file);
  const AdapterDriver* driver = FindAdapterDriver(driverIndex);
  if (driver != nullptr) WriteRegistrySettings(out, *driver, driverName);

  out.Append(kInfHeading, driverName);
  char16_t catalog[500] = {};
  if (driver != nullptr && driver->listing.catalog != nullptr) {
    text::Copy(catalog, driver->listing.catalog);
  } else {
    text::Format(catalog, u"%s.CAT", driverName);
  }
  CTokenList names;
  if (ListCatalogInfs(out, catalog, names) && companionName != nullptr && companionName[0] != 0) {
    out.Append(kInfHeading, companionName);
    text::Format(catalog, u"%s.CAT", companionName);
    ListCatalogInfs(out, catalog, names);
  }
  out.Append(u"\r\n");
  return out.complete();
}

}  // namespace report
