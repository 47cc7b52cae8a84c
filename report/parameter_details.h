// The interpreted parameter block of one adapter driver in the report: request,
// scatter-gather and FCP-context counts, bus reset, interrupt coalescing and the
// multipath configuration the settings suit.
#pragma once

#include "report/text_file.h"

namespace report {

// Writes the block for driver index 1, 4, 6, 7, 8 or 10. Returns true when
// every piece was written.
bool WriteParameterDetails(CTextFile& file, int driverIndex);

}  // namespace report
