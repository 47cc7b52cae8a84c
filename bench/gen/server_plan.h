// What a generated server holds, decided before anything is written: the OEM
// INF copies (which of them the searches open, which belong to the adapter
// drivers and multipath parts), the inbox INFs, the services and the filler
// files. The same options and seed always give the same plan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/gen/inf_text.h"

namespace bench {

struct ServerOptions {
  int oemInfs = 1000;        // OEM INF copies in the inf folder
  double shortShare = 1.0;   // the share named oem0.inf ... oem999.inf (the rest oem1000.inf ...)
  int inboxInfs = 800;       // the system's own INF files
  bool pnf = true;           // a .PNF beside every INF
  int services = 1500;       // services in the registry
  int system32Files = 2000;  // other files in system32 and in system32\drivers (a tenth there)
  int uninstallKeys = 300;   // programs listed in SOFTWARE
  std::uint64_t seed = 13;
};

struct OemInf {
  std::string fileName;  // "oem12.inf"
  InfPackage package;
  bool searched = false;  // a short name: every search opens it
  bool listed = false;    // a package the report lists (searched, and an adapter or multipath package)
};

struct PeFile {
  std::string windowsPath;  // "C:\WINDOWS\system32\drivers\elxstor.sys"
  std::uint16_t version[4] = {1, 0, 0, 0};
  std::size_t bytes = 0;  // the file's size: the image, then an appended overlay
  bool pe64 = false;
  bool needed = true;  // the run reads it (else only looks it up)
};

struct ServerPlan {
  std::vector<OemInf> oem;               // in name order
  std::vector<std::string> inboxInfs;    // "netbrax.inf"
  std::vector<PeFile> peFiles;           // drivers and version markers
  std::vector<std::string> services;     // the made-up services (the adapter drivers' come on top)
  std::vector<std::string> fillerFiles;  // other system32 and drivers files, Windows paths
};

// At most this many OEM INFs have short names (oem0.inf to oem999.inf).
constexpr int kMaxShortNames = 1000;
// Services of the adapter drivers and multipath parts; the plan's made-up
// services make up the rest of ServerOptions::services.
constexpr int kToolServices = 8;

ServerPlan MakePlan(const ServerOptions& options);

// True when a made-up name could be taken for one that the searches or probes
// look for (a catalog, an install section, a driver or service of the tool).
bool IsReservedName(const std::string& name);

}  // namespace bench
