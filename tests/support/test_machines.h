// Whole scenario machines that several tests look at: their report, their
// pages and their facts.
#pragma once

#include "tests/support/scenario.h"

namespace testing_support {

// Every adapter driver with parameters, most 64-bit markers, and INF files for
// every catalog the report searches. Forced 64-bit by the WOW6432Node key.
void EveryDriverMachine(Scenario& s);

// Every adapter driver, each marker of the 32-bit packages, every multipath
// configuration the pages name, Tandrel with its TevoCCL component and the
// Tarn_Service service. Needs a system without SysWow64.
void AllPagesMachine(Scenario& s);

}  // namespace testing_support
