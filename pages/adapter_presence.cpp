#include "pages/adapter_presence.h"

#include "pages/page_lines.h"
#include "probes/driver_table.h"
#include "probes/system_probe.h"

namespace pages {
namespace {

// Whether a driver file with a version shows the driver, by the driver's row.
bool FileShowsDriver(CSystemProbe& probe, FileEvidence evidence) {
  if (evidence == FileEvidence::kAlways) return true;
  return probe.HasQlStorPortParameter() == (evidence == FileEvidence::kWithStorPortValue ? 1 : 0);
}

struct Slot {
  int driverIndex;
  std::int32_t AdapterPresence::*flag;
};

constexpr Slot kSlots[] = {
    {driver_index::kZolvanta, &AdapterPresence::bZolvanta},
    {driver_index::kElxStor, &AdapterPresence::bElxStorPort},
    {driver_index::kLpxnds, &AdapterPresence::bLpxScsiPort},
    {driver_index::kVexa2300, &AdapterPresence::bVexa2300},
    {driver_index::kQlScsiPort, &AdapterPresence::bQlScsiPort},
    {driver_index::kQlStorPort, &AdapterPresence::bQlStorPort},
};

static_assert(CoversEveryDriver(kSlots), "every adapter driver needs its AdapterPresence flag");

}  // namespace

std::int32_t AdapterPresence::*PresenceFlag(int driverIndex) {
  const Slot* slot = FindDriverEntry(kSlots, driverIndex);
  return slot != nullptr ? slot->flag : nullptr;
}

void DetectAdapters(AdapterPresence& presence) {
  presence = AdapterPresence{};
  CSystemProbe probe;
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);

  // Both passes run in the order of the driver rows; each flag lives in the
  // record by driver.
  DriverParamInfo info{};
  for (const AdapterDriver& driver : kAdapterDrivers) {
    presence.*PresenceFlag(driver.index) = probe.ReadDriverParameters(driver.index, info) != 0 ? 1 : 0;
  }

  for (const AdapterDriver& driver : kAdapterDrivers) {
    std::int32_t& flag = presence.*PresenceFlag(driver.index);
    if (flag == 1) continue;
    flag = !FieldText(drivers.*driver.driverFile).empty() && FileShowsDriver(probe, driver.fileEvidence) ? 1 : 0;
  }
}

}  // namespace pages
