#include "pages/adapter_presence.h"

#include "pages/page_lines.h"
#include "probes/system_probe.h"

namespace pages {

void DetectAdapters(AdapterPresence& presence) {
  presence = AdapterPresence{};
  CSystemProbe probe;
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);

  // Detection order 1, 6, 4, 10, 7, 8; each flag lives in the record by driver.
  struct Slot {
    int driverIndex;
    std::int32_t* flag;
  };
  const Slot order[] = {
      {1, &presence.bZolvanta},   {6, &presence.bLpxScsiPort}, {4, &presence.bElxStorPort},
      {10, &presence.bVexa2300},  {7, &presence.bQlScsiPort},  {8, &presence.bQlStorPort},
  };

  DriverParamInfo info{};
  for (const Slot& slot : order) {
    *slot.flag = probe.ReadDriverParameters(slot.driverIndex, info) != 0 ? 1 : 0;
  }

  for (const Slot& slot : order) {
    if (*slot.flag == 1) continue;
    switch (slot.driverIndex) {
      case 1: *slot.flag = !FieldText(drivers.zolvanta).empty(); break;
      case 4: *slot.flag = !FieldText(drivers.elxstor).empty(); break;
      case 6: *slot.flag = !FieldText(drivers.lpxnds).empty(); break;
      case 10: *slot.flag = !FieldText(drivers.vexa2300).empty(); break;
      case 7:
        *slot.flag = !FieldText(drivers.ql2300).empty() && probe.HasQlStorPortParameter() == 0;
        break;
      case 8:
        *slot.flag = !FieldText(drivers.ql2300).empty() && probe.HasQlStorPortParameter() == 1;
        break;
      default: break;
    }
  }
}

}  // namespace pages
