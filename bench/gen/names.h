// Made-up but plausible names for the generated servers: hardware makers,
// products, service and file names, device ids. Every maker here is fictional.
#pragma once

#include <string>
#include <vector>

#include "bench/gen/rng.h"

namespace bench {

struct Maker {
  const char* name;  // "Arvenco Systems"
  const char* key;   // strings key and prefix, "ARVCO"
  unsigned pciId;    // vendor id in device ids
};

struct DeviceClass {
  const char* name;  // as in [Version] Class=
  const char* guid;
  const char* bus;  // enumerator of its hardware ids
};

const std::vector<Maker>& Makers();
const std::vector<DeviceClass>& DeviceClasses();

// A pronounceable lower-case word of `syllables` syllables ("varnok").
std::string Word(Rng& rng, int syllables);
std::string Capitalized(std::string s);
std::string Hex(unsigned value, int digits);  // upper-case, zero-padded

// "PCI\VEN_1A2B&DEV_00C4&SUBSYS_00011A2B" and the like, for a maker's vendor id
// and key, on the bus of the device class.
std::string HardwareId(Rng& rng, unsigned vendorId, const std::string& makerKey, const DeviceClass& cls);

// A service or driver name: a word, sometimes with a number ("brenvox2").
std::string ServiceName(Rng& rng);

// "MM/DD/YYYY,a.b.c.d", the [Version] DriverVer line's value.
std::string DriverVer(Rng& rng);

}  // namespace bench
