// The six adapter drivers. Every fact about one driver that the parameter
// reader, the pages and the report share stands once, in its row; the layers
// take what differs between the drivers from here instead of from literals of
// their own. To add a driver, add its row; then its page class, its flag in
// AdapterPresence and its report section (a layer's own per-driver entries,
// which a static_assert there asks for).
//
// The rows stand in the one order the drivers are worked through everywhere:
// presence detection, the sheet's tabs and the report's adapter sections.
#pragma once

#include <cstddef>

#include "probes/system_probe.h"

// Driver indexes (the small integers that name an adapter driver everywhere).
namespace driver_index {
constexpr int kZolvanta = 1;
constexpr int kElxStor = 4;
constexpr int kLpxnds = 6;
constexpr int kQlScsiPort = 7;
constexpr int kQlStorPort = 8;
constexpr int kVexa2300 = 10;
}  // namespace driver_index

// How the settings text is parsed and which configuration the driver is shown
// to suit: the Emulex family is classified by the multipath rules, the QLogic
// family supports all modes.
enum class DriverFamily { kEmulex, kQLogic };

// The counts a driver keeps as 32-bit values in its key: the scatter-gather
// list size and the request count, or the FCP context count.
enum class DriverCounts { kSgListAndRequests, kFcpContexts };

// When the driver file alone (its parameter string unreadable) shows that the
// driver is there. One ql2300 file serves two drivers; its "DriverParameter"
// value (HasQlStorPortParameter) says which.
enum class FileEvidence { kAlways, kWithoutStorPortValue, kWithStorPortValue };

using DriverVersionField = char16_t (DriverVersions::*)[50];
using MarkerVersionField = char16_t (MarkerVersions::*)[50];

// The registry place of the driver's settings: the service key below
// "SYSTEM\CurrentControlSet\Services\" whose "Parameters\Device" key holds
// them, the service key used instead on Windows NT 4.0 (null: the same one),
// and the name of the settings text value.
struct DriverRegistry {
  const char16_t* serviceKey;
  const char16_t* nt4ServiceKey;
  const char16_t* settingsValue;
};

// Emulex family: the setting whose presence in the settings text decides
// interrupt coalescing, and whether its presence means on (true) or off.
struct CoalescingRule {
  const char16_t* setting;
  bool onWhenPresent;
};

// A version-marker file and its MarkerVersions field.
struct MarkerFile {
  const char16_t* fileName;
  MarkerVersionField field;
};

// The version markers of the driver's package. `on64` is shown on 64-bit
// Windows; its fileName null means the page shows `on32` without asking.
struct PackageMarkers {
  MarkerFile on32;
  MarkerFile on64;
};

// What the report's listing searches: the service key name as the listing
// writes it, which is also the stem of the catalog file its INF files name;
// that catalog file when it is not "<name>.CAT" (null otherwise); and the
// companion driver listed after it (empty: none).
struct DriverListing {
  const char16_t* name;
  const char16_t* catalog;
  const char16_t* companion;
};

struct AdapterDriver {
  int index;
  DriverFamily family;
  DriverCounts counts;
  DriverRegistry registry;
  CoalescingRule coalescing;      // Emulex family only
  DriverVersionField driverFile;  // the DriverVersions field of its driver file
  FileEvidence fileEvidence;
  PackageMarkers markers;
  DriverListing listing;
  int pageTemplate;  // the dialog template of its adapter page
};

inline constexpr AdapterDriver kAdapterDrivers[] = {
    {driver_index::kZolvanta,
     DriverFamily::kEmulex,
     DriverCounts::kSgListAndRequests,
     {u"ZOLVANTA", u"Lp6nds35", u"DriverParameter"},
     {u"CRFINTRPT=1", true},
     &DriverVersions::zolvanta,
     FileEvidence::kAlways,
     {{u"Pellwyn.exe", &MarkerVersions::Pellwyn}, {u"Pellwyn64.exe", &MarkerVersions::Pellwyn64}},
     {u"Zolvanta", nullptr, u"Lpsimdev"},
     130},
    {driver_index::kLpxnds,
     DriverFamily::kEmulex,
     DriverCounts::kSgListAndRequests,
     {u"Lpxnds", nullptr, u"DriverParameter"},
     {u"CRFINTRPT=1", true},
     &DriverVersions::lpxnds,
     FileEvidence::kAlways,
     {{u"Quillon.exe", &MarkerVersions::Quillon}, {u"Quillon64.exe", &MarkerVersions::Quillon64}},
     {u"Lpxnds", nullptr, u"Lpsimdev"},
     131},
    {driver_index::kElxStor,
     DriverFamily::kEmulex,
     DriverCounts::kFcpContexts,
     {u"elxstor", nullptr, u"DriverParameter"},
     {u"COALESCEMSCNT=0", false},
     &DriverVersions::elxstor,
     FileEvidence::kAlways,
     {{u"Vardane.exe", &MarkerVersions::Vardane}, {u"Vardane64.exe", &MarkerVersions::Vardane64}},
     {u"elxstor", nullptr, u""},
     132},
    {driver_index::kVexa2300,
     DriverFamily::kQLogic,
     DriverCounts::kSgListAndRequests,
     {u"vexa2300", nullptr, u"DriverParameter"},
     {nullptr, false},
     &DriverVersions::vexa2300,
     FileEvidence::kAlways,
     {{u"Gallond.exe", &MarkerVersions::Gallond}, {nullptr, nullptr}},
     {u"vexa2300", u"ql2300.CAT", u"qlpseudo"},
     133},
    {driver_index::kQlScsiPort,
     DriverFamily::kQLogic,
     DriverCounts::kSgListAndRequests,
     {u"ql2300", nullptr, u"DriverParameters"},
     {nullptr, false},
     &DriverVersions::ql2300,
     FileEvidence::kWithoutStorPortValue,
     {{u"Morrisk.exe", &MarkerVersions::Morrisk}, {u"Morrisk64.exe", &MarkerVersions::Morrisk64}},
     {u"ql2300", nullptr, u"qlpseudo"},
     134},
    {driver_index::kQlStorPort,
     DriverFamily::kQLogic,
     DriverCounts::kSgListAndRequests,
     {u"ql2300", nullptr, u"DriverParameter"},
     {nullptr, false},
     &DriverVersions::ql2300,
     FileEvidence::kWithStorPortValue,
     {{u"Tavish.exe", &MarkerVersions::Tavish}, {u"Tavish64.exe", &MarkerVersions::Tavish64}},
     {u"ql2300", nullptr, u""},
     135},
};

// The row of `driverIndex`, or null for an index no driver has.
constexpr const AdapterDriver* FindAdapterDriver(int driverIndex) {
  for (const AdapterDriver& driver : kAdapterDrivers) {
    if (driver.index == driverIndex) return &driver;
  }
  return nullptr;
}

// A layer's own per-driver entries (its texts, its record's fields) name their
// driver by `driverIndex`. The entry of `table` for `driverIndex`, or null; and
// whether `table` has an entry for every driver row (for a static_assert).
template <typename Entry, std::size_t N>
constexpr const Entry* FindDriverEntry(const Entry (&table)[N], int driverIndex) {
  for (const Entry& entry : table) {
    if (entry.driverIndex == driverIndex) return &entry;
  }
  return nullptr;
}
template <typename Entry, std::size_t N>
constexpr bool CoversEveryDriver(const Entry (&table)[N]) {
  for (const AdapterDriver& driver : kAdapterDrivers) {
    if (FindDriverEntry(table, driver.index) == nullptr) return false;
  }
  return true;
}

// The family and counts of the driver `driverIndex`; an index no driver has
// belongs to neither family and counts requests.
constexpr bool IsQLogicFamily(int driverIndex) {
  const AdapterDriver* driver = FindAdapterDriver(driverIndex);
  return driver != nullptr && driver->family == DriverFamily::kQLogic;
}
constexpr bool IsEmulexFamily(int driverIndex) {
  const AdapterDriver* driver = FindAdapterDriver(driverIndex);
  return driver != nullptr && driver->family == DriverFamily::kEmulex;
}
constexpr bool CountsFcpContexts(int driverIndex) {
  const AdapterDriver* driver = FindAdapterDriver(driverIndex);
  return driver != nullptr && driver->counts == DriverCounts::kFcpContexts;
}

// The driver's parameter key below HKEY_LOCAL_MACHINE, with its trailing
// backslash, into a 260-character buffer; the NT 4.0 key when GetOsVersionCode
// gives 4 and the driver has one.
void ParameterKeyPath(const AdapterDriver& driver, char16_t (&path)[260]);
