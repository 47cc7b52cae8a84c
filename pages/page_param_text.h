// The ready-made parameter lines of one adapter page's "System Configuration"
// group, formatted from the driver's registry parameters.
#pragma once

#include "probes/system_probe.h"

namespace pages {

// Each slot holds at most 99 characters plus the terminator. A line that would
// be longer (a very long QUEUEDEPTH or QUEUETARGET setting) is cut at the slot's
// end, closing quote included; nothing past the slot is ever written.
struct PageParamText {
  static constexpr int kSlot = 100;
  char16_t szQueueDepth[kSlot];
  char16_t szQueueTarget[kSlot];
  char16_t szRequests[kSlot];
  char16_t szMaximumSGList[kSlot];
  char16_t szConfiguration[kSlot];
  char16_t szResetBus[kSlot];
};

// The word of the page's "Configuration:" line for the driver `driverIndex`
// with the reader's record `info`, or with none (null: the parameters could
// not be read, "N/A").
const char16_t* ConfigurationWord(int driverIndex, const DriverParamInfo* info);

// Fills `text` for the adapter driver `driverIndex` (probes/driver_table.h)
// from ReadDriverParameters.
void FormatPageParameters(int driverIndex, PageParamText& text);

}  // namespace pages
