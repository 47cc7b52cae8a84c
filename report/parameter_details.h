// The interpreted parameter block of one adapter driver in the report: request,
// scatter-gather and FCP-context counts, bus reset, interrupt coalescing and the
// multipath configuration the settings suit.
#pragma once

#include "files/text_file.h"
#include "probes/system_probe.h"

namespace report {

// Writes the block for the adapter driver `driverIndex` (probes/driver_table.h).
// Returns true when every piece was written.
bool WriteParameterDetails(CTextFile& file, int driverIndex);

// The block's configuration type for the driver with the reader's record
// `info` ("* Best Configured for a Multi Path Environment *").
const char16_t* ConfigurationType(int driverIndex, const DriverParamInfo& info);

}  // namespace report
