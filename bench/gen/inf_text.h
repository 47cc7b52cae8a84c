// The text of a driver package's INF file as vendors write them: [Version]
// with its CatalogFile, disk and copy sections, manufacturer and model
// sections, install, service and AddReg sections, [Strings] and localised
// string sections. Also the .PNF file Windows keeps beside every INF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/gen/names.h"
#include "bench/gen/rng.h"

namespace bench {

struct InfPackage {
  std::string provider;        // "Emulex", "Arvenco Systems"
  std::string providerKey;     // its [Strings] key
  unsigned vendorId = 0x1000;  // in the hardware ids
  const DeviceClass* cls = nullptr;
  std::string catalog;                  // the CatalogFile line's value, "elxstor.cat"
  std::string driver;                   // driver file and service name, "elxstor"
  std::string install;                  // the install section, "elxstor_Inst"
  std::string firstAddReg;              // the install section's first AddReg value
  std::string versionName = "Version";  // how the file spells [Version]
  int models = 8;                       // device lines per platform
  int params = 10;                      // advanced-property blocks in the parameter AddReg
  int locales = 1;                      // localised [Strings.xxxx] sections
  bool unicode = false;                 // UTF-16LE with byte-order mark, else Windows-1252
};

// A package of a made-up maker for `driver`, its sizes drawn so that the
// files range from a few KB to about 150 KB (most around 10-30 KB).
InfPackage RandomPackage(Rng& rng, const std::string& driver);

// The file's text, UTF-8 with CRLF line ends.
std::string InfText(const InfPackage& package, Rng& rng);

// The text as the file's bytes: UTF-16LE with byte-order mark, or Windows-1252
// (the text holds no character outside Latin-1).
std::vector<std::uint8_t> EncodeInf(const std::string& utf8, bool unicode);

// A precompiled-INF file for an INF of `infBytes` bytes: a header and an
// opaque body, a little larger than the INF as real ones are.
std::vector<std::uint8_t> PnfBytes(Rng& rng, std::size_t infBytes);

}  // namespace bench
