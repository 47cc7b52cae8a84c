#include "bench/gen/server_plan.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "bench/gen/names.h"

namespace bench {
namespace {

// The driver packages whose INF copies the report lists, each installed in
// `copies` versions (an update leaves the older oemNN.inf behind).
struct ToolPackage {
  const char* driver;
  const char* install;      // nullptr: <Driver>_Inst
  const char* firstAddReg;  // nullptr: <install>_AddReg
  const char* provider;
  const char* providerKey;
  const char* className;
  int copies;
};

const ToolPackage kToolPackages[] = {
    {"zolvanta", nullptr, nullptr, "Emulex", "EMLX", "SCSIAdapter", 2},
    {"lpsimdev", nullptr, nullptr, "Emulex", "EMLX", "System", 1},
    {"lpxnds", nullptr, nullptr, "Emulex", "EMLX", "SCSIAdapter", 2},
    {"elxstor", nullptr, nullptr, "Emulex", "EMLX", "SCSIAdapter", 3},
    {"ql2300", nullptr, nullptr, "QLogic", "QLGC", "SCSIAdapter", 3},
    {"qlpseudo", nullptr, nullptr, "QLogic", "QLGC", "System", 1},
    {"zolfcac", nullptr, nullptr, "Emulex", "EMLX", "SCSIAdapter", 1},
    {"zolc8sw", nullptr, nullptr, "Emulex", "EMLX", "System", 1},
    {"tevoccl", "TEVOCCL_Inst", "TEVOCCL_AddReg, CCL_Common", "Tandrel", "TNDRL", "System", 2},
    {"carnel", "CARNEL_Inst", "CARNEL_AddReg", "Tandrel", "TNDRL", "System", 1},
};

// Driver files (system32\drivers) and version markers (\Halvorn\Version), with
// the sizes such files have: drivers carrying firmware are large.
struct ToolFile {
  const char* path;
  std::uint16_t version[4];
  std::size_t kb;
  bool pe64;
};

const ToolFile kToolFiles[] = {
    {"C:\\WINDOWS\\system32\\drivers\\lp6nds35.sys", {5, 2, 10, 4}, 245, false},
    {"C:\\WINDOWS\\system32\\drivers\\elxstor.sys", {7, 1, 12, 0}, 512, false},
    {"C:\\WINDOWS\\system32\\drivers\\lpxnds.sys", {5, 10, 3, 1}, 298, false},
    {"C:\\WINDOWS\\system32\\drivers\\lpxftr.sys", {1, 2, 0, 6}, 61, false},
    {"C:\\WINDOWS\\system32\\drivers\\zolvanta.sys", {5, 2, 20, 12}, 276, false},
    {"C:\\WINDOWS\\system32\\drivers\\sollin.sys", {3, 6, 2, 467}, 118, false},
    {"C:\\WINDOWS\\system32\\drivers\\vexa2300.sys", {9, 0, 2, 17}, 705, false},
    {"C:\\WINDOWS\\system32\\drivers\\ql2300.sys", {9, 1, 4, 10}, 884, false},
    {"C:\\WINDOWS\\system32\\drivers\\morvet.sys", {2, 0, 1, 3}, 92, false},
    {"C:\\WINDOWS\\system32\\drivers\\carnel.sys", {1, 0, 0, 9}, 47, false},
    {"C:\\Halvorn\\Version\\Ormaby.exe", {1, 4, 0, 2}, 164, false},
    {"C:\\Halvorn\\Version\\Pellwyn.exe", {2, 0, 1, 0}, 188, false},
    {"C:\\Halvorn\\Version\\Pellwyn64.exe", {2, 0, 1, 0}, 231, true},
    {"C:\\Halvorn\\Version\\Gallond.exe", {1, 1, 0, 5}, 176, false},
    {"C:\\Halvorn\\Version\\Gallond64.exe", {1, 1, 0, 5}, 219, true},
    {"C:\\Halvorn\\Version\\Morrisk.exe", {3, 0, 0, 1}, 402, false},
    {"C:\\Halvorn\\Version\\Morrisk64.exe", {3, 0, 0, 1}, 488, true},
    {"C:\\Halvorn\\Version\\Tavish.exe", {2, 1, 0, 7}, 356, false},
    {"C:\\Halvorn\\Version\\Tavish64.exe", {2, 1, 0, 7}, 431, true},
    {"C:\\Halvorn\\Version\\TavishES64.exe", {2, 1, 2, 0}, 447, true},
    {"C:\\Halvorn\\Version\\Hestrel.exe", {1, 3, 0, 0}, 1210, false},
    {"C:\\Halvorn\\Version\\Hestrel64.exe", {1, 3, 0, 0}, 1480, true},
    {"C:\\Halvorn\\Version\\Vardane.exe", {1, 0, 2, 4}, 297, false},
    {"C:\\Halvorn\\Version\\Vardane64.exe", {1, 0, 2, 4}, 352, true},
    {"C:\\Halvorn\\Version\\VardaneES64.exe", {1, 0, 3, 1}, 366, true},
    {"C:\\Halvorn\\Version\\Quillon.exe", {1, 0, 2, 4}, 612, false},
    {"C:\\Halvorn\\Version\\Quillon64.exe", {1, 0, 2, 4}, 744, true},
};

const char* const kInboxPrefixes[] = {"net",  "disp", "usb", "hid", "scsi", "mdm",  "prn",  "ks",  "wdma", "mach",
                                      "msmo", "kbd",  "vol", "cdr", "disk", "batt", "acpi", "pcm", "sbp",  "ts"};

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return s;
}

// A new made-up name (made by `make`) that is not reserved and not taken yet
// in `taken` (compared without regard to case).
template <typename Make>
std::string Fresh(std::set<std::string>& taken, Make make) {
  for (;;) {
    std::string name = make();
    if (name.size() >= 4 && !IsReservedName(name) && taken.insert(Upper(name)).second) return name;
  }
}

InfPackage ToolInf(Rng& rng, const ToolPackage& tool) {
  InfPackage p = RandomPackage(rng, tool.driver);
  p.provider = tool.provider;
  p.providerKey = tool.providerKey;
  for (const DeviceClass& c : DeviceClasses())
    if (std::string(c.name) == tool.className) p.cls = &c;
  if (tool.install) p.install = tool.install;
  p.firstAddReg = tool.firstAddReg ? tool.firstAddReg : p.install + "_AddReg";
  return p;
}

void PlanOemInfs(const ServerOptions& o, Rng rng, ServerPlan& plan) {
  const int total = std::max(0, o.oemInfs);
  const int shortCount =
      std::min({total, kMaxShortNames, static_cast<int>(std::lround(total * std::clamp(o.shortShare, 0.0, 1.0)))});
  std::set<std::string> taken;
  for (int i = 0; i < total; ++i) {
    OemInf inf;
    const bool isShort = i < shortCount;
    inf.fileName = "oem" + std::to_string(isShort ? i : kMaxShortNames + (i - shortCount)) + ".inf";
    inf.searched = isShort;
    inf.package = RandomPackage(rng, Fresh(taken, [&] { return ServiceName(rng); }));
    plan.oem.push_back(inf);
  }
  // The tool's packages at scattered places among the searched copies; one
  // more elxstor copy under a long name, which no search opens.
  std::vector<int> places(static_cast<std::size_t>(shortCount));
  for (int i = 0; i < shortCount; ++i) places[static_cast<std::size_t>(i)] = i;
  for (std::size_t i = places.size(); i > 1; --i) std::swap(places[i - 1], places[rng.Next() % i]);
  std::size_t next = 0;
  for (const ToolPackage& tool : kToolPackages) {
    for (int c = 0; c < tool.copies && next < places.size(); ++c) {
      OemInf& inf = plan.oem[static_cast<std::size_t>(places[next++])];
      inf.package = ToolInf(rng, tool);
      inf.listed = true;
    }
  }
  if (total > shortCount) plan.oem[static_cast<std::size_t>(shortCount)].package = ToolInf(rng, kToolPackages[3]);
}

void PlanOtherFiles(const ServerOptions& o, Rng rng, ServerPlan& plan) {
  std::set<std::string> taken;
  for (int i = 0; i < o.inboxInfs; ++i)
    plan.inboxInfs.push_back(Fresh(taken, [&] { return rng.Pick(kInboxPrefixes) + Word(rng, rng.Between(1, 2)); }) +
                             ".inf");
  for (const ToolFile& f : kToolFiles) {
    PeFile pe;
    pe.windowsPath = f.path;
    std::copy(f.version, f.version + 4, pe.version);
    pe.bytes = f.kb * 1024;
    pe.pe64 = f.pe64;
    plan.peFiles.push_back(pe);
  }
  // Looked up by the OVRA section, never read.
  PeFile zolfcac;
  zolfcac.windowsPath = "C:\\WINDOWS\\system32\\drivers\\zolfcac.sys";
  zolfcac.bytes = 38 * 1024;
  zolfcac.needed = false;
  plan.peFiles.push_back(zolfcac);

  static const char* const kExtensions[] = {".dll", ".dll", ".dll", ".exe", ".nls", ".cpl", ".drv"};
  std::set<std::string> files;
  for (int i = 0; i < o.system32Files; ++i) {
    const bool driver = i % 10 == 0;
    std::string name = Fresh(files, [&] { return Word(rng, rng.Between(1, 3)); });
    plan.fillerFiles.push_back(driver ? "C:\\WINDOWS\\system32\\drivers\\" + name + ".sys"
                                      : "C:\\WINDOWS\\system32\\" + name + rng.Pick(kExtensions));
  }
  std::set<std::string> services;
  for (int i = kToolServices; i < o.services; ++i)
    plan.services.push_back(Fresh(services, [&] { return ServiceName(rng); }));
}

}  // namespace

bool IsReservedName(const std::string& name) {
  static const char* const kReserved[] = {"ZOLVANTA", "LPSIMDEV", "LPXNDS", "ELXSTOR", "QL2300",   "QLPSEUDO",
                                          "ZOLFCAC",  "ZOLC8SW",  "CCL",    "CARNEL",  "VEXA2300", "SOLLIN",
                                          "LP6NDS35", "LPXFTR",   "MORVET", "TARN",    "OEM",      "HALVORN"};
  // Services of a fresh Wine prefix, which the Windows peer must not replace.
  static const char* const kWine[] = {"BITS",     "DISK",     "HTTP",     "NDIS",        "RPCSS",
                                      "SPOOLER",  "WINMGMT",  "STISVC",   "SCHEDULE",    "FONTCACHE",
                                      "SECLOGON", "WINEBUS",  "WINEHID",  "WINEUSB",     "WINED3D",
                                      "NSIPROXY", "MOUNTMGR", "EVENTLOG", "TERMSERVICE", "WUAUSERV"};
  const std::string upper = Upper(name);
  for (const char* r : kReserved)
    if (upper.find(r) != std::string::npos) return true;
  for (const char* w : kWine)
    if (upper == w) return true;
  return false;
}

ServerPlan MakePlan(const ServerOptions& options) {
  Rng rng(options.seed);
  ServerPlan plan;
  // Each part draws from its own generator, so that changing one count leaves
  // the others' content as it was.
  PlanOemInfs(options, rng.Fork(1), plan);
  PlanOtherFiles(options, rng.Fork(2), plan);
  std::sort(plan.oem.begin(), plan.oem.end(), [](const OemInf& a, const OemInf& b) { return a.fileName < b.fileName; });
  return plan;
}

}  // namespace bench
