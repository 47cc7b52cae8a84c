// The report's section of each adapter driver: its frame, its title, its
// found and missing lines, and what decides which of them it writes. The
// report writer writes by it; the report reader (model/) reads by it.
#pragma once

#include "probes/driver_table.h"

namespace report {

// What one adapter driver's section writes, and when. Either the driver file
// decides alone (kFile), or the file decides and the parameter string then
// gates the listing (kFileThenParameters), or the parameter string decides and
// the file then gates the rest (kParametersThenFile).
enum class SectionGate { kFile, kFileThenParameters, kParametersThenFile };

struct AdapterSection {
  int driverIndex;
  int dashes;
  const char16_t* title;
  const char16_t* found;  // "%s": the driver file's version
  const char16_t* missing;
  SectionGate gate;
};

constexpr AdapterSection kAdapterSections[] = {
    {driver_index::kZolvanta, 20, u"\r\n* ZOLVANTA Section *",
     u"\r\nZOLVANTA.sys:                      Version \"%s\" of the driver was found. \r\n",
     u"\r\nZOLVANTA.sys:                      --- No Version of ZOLVANTA.sys Found ---\r\n", SectionGate::kFile},
    {driver_index::kLpxnds, 27, u"\r\n* Emulex ScsiPort Section *",
     u"\r\nLpxnds.sys:                         Version \"%s\" of the driver was found. \r\n",
     u"\r\nLpxnds.sys:                         --- No Version of Lpxnds.sys Found ---\r\n", SectionGate::kFile},
    {driver_index::kElxStor, 27, u"\r\n* Emulex StorPort Section *",
     u"\r\nELXSTOR.sys:                        Version \"%s\" of the driver was found. \r\n",
     u"\r\nELXSTOR.sys:                        --- No Version of ELXSTOR.sys Found ---\r\n", SectionGate::kFile},
    {driver_index::kVexa2300, 18, u"\r\n* vexa2300 Section *",
     u"\r\nvexa2300.sys:                         Version \"%s\" of the driver was found. \r\n",
     u"\r\nvexa2300.sys:                         --- No Version of vexa2300.sys Found ---\r\n",
     SectionGate::kFileThenParameters},
    {driver_index::kQlScsiPort, 27, u"\r\n* Qlogic ScsiPort Section *",
     u"\r\nQlogic ScsiPort::                   Version \"%s\" of the driver was found. \r\n",
     u"\r\nQlogic ScsiPort:                    --- No Version of the Qlogic ScsiPort Driver Found ---\r\n",
     SectionGate::kParametersThenFile},
    {driver_index::kQlStorPort, 27, u"\r\n* Qlogic StorPort Section *",
     u"\r\nQlogic StorPort::                   Version \"%s\" of the driver was found. \r\n",
     u"\r\nQlogic StorPort:                    --- No Version of the Qlogic StorPort Driver Found ---\r\n",
     SectionGate::kParametersThenFile},
};

}  // namespace report
