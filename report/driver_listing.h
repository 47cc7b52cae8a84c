// The per-driver block of the report: the driver's parameter settings as the
// registry holds them, and the OEM INF files that install it and its companion.
#pragma once

#include "probes/token_list.h"
#include "files/text_file.h"

namespace report {

// Writes the first `count` names of `names` (each stored without its "inf"
// ending, the final dot kept) two per line. Returns true when every piece was
// written.
bool WriteInfList(CTextFile& file, const CTokenList& names, unsigned count);

// Writes the parameter settings of the driver whose service key is `driverName`
// (its settings value named by the row of `driverIndex`, probes/driver_table.h;
// none for an index without a row) and the INF files found for
// "<driverName>.CAT" (or the row's own catalog), then those of `companionName`
// (null or empty: none). Returns true when every piece was written.
bool WriteDriverListing(CTextFile& file, int driverIndex, const char16_t* driverName, const char16_t* companionName);

}  // namespace report
