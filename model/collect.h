// The machine's facts from the probes: every driver file and version marker,
// every adapter driver's parameters as the parameter reader takes them, every
// OEM INF search, the Miscellaneous page's and the OVRA section's facts. Reads
// the system in force and writes nothing (no trace file, no report).
#pragma once

#include "model/machine_facts.h"

namespace model {

// Every fact but the page texts, which the caller adds when it builds the pages.
MachineFacts CollectMachineFacts();

}  // namespace model
