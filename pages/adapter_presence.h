// Which of the six adapter pages the "Driver Information" sheet shows.
#pragma once

#include <cstdint>

namespace pages {

struct AdapterPresence {
  std::int32_t bZolvanta;
  std::int32_t bElxStorPort;
  std::int32_t bLpxScsiPort;
  std::int32_t bVexa2300;
  std::int32_t bQlScsiPort;
  std::int32_t bQlStorPort;
};

// The flag of the driver `driverIndex` (probes/driver_table.h); null for an
// index without a page.
std::int32_t AdapterPresence::*PresenceFlag(int driverIndex);

// A driver is present when its parameter string can be read or, failing that,
// when its driver file has a version. One ql2300 file counts as the StorPort
// driver when its key carries "DriverParameter", else as the ScsiPort driver.
void DetectAdapters(AdapterPresence& presence);

}  // namespace pages
