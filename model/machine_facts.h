// What Quillon knows about one machine, as plain records: either what the
// probes find on a system (model/collect.h) or what a SysInfo.log states
// (model/report_reader.h). A fact that a source cannot give stays empty
// (std::nullopt); it is then absent from the JSON, never guessed.
// Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "probes/system_probe.h"

namespace model {

template <typename T>
using Known = std::optional<T>;

// A driver file or a version marker. The version is "" when the file is
// absent or carries no version (the probes and the report cannot tell these
// apart; `present` can, where the source knows it).
struct FileFacts {
  std::string file;
  Known<bool> present;
  Known<std::string> version;
};

// One setting of a parameter text: NAME=VALUE, or a name without "=".
struct Setting {
  std::string name;
  std::optional<std::string> value;
};
using Settings = std::vector<Setting>;

// A 32-bit registry value the parameter reader takes ("NumFcpContext", ...).
struct Count {
  std::string name;
  std::uint32_t value = 0;
};

// One adapter driver: the fixed facts of its row in the driver table, then
// what the parameter reader and the presence detection made of the machine.
struct AdapterFacts {
  int index = 0;
  std::string name;                    // its page's tab caption
  std::string family;                  // "emulex" or "qlogic"
  std::string driverFile;              // "ELXSTOR.sys"
  std::string parameterValue;          // "DriverParameter" or "DriverParameters"
  Known<std::string> markerFile;       // the page's version marker (depends on 64-bit Windows)
  Known<std::string> serviceKey;       // the service key read (another one on Windows NT 4.0)
  Known<bool> shown;                   // the sheet shows its page
  Known<bool> parametersRead;          // the parameter text could be read
  Known<std::string> driverParameter;  // that text as the registry holds it
  Known<Settings> parameters;
  std::vector<Count> counts;         // those known, in the reader's order
  Known<std::string> configuration;  // the page's word: "Best Configured For Multi Path", ..., "N/A"
  Known<std::string> multipath;      // "transparent", "multi_path", "single_path" or "none"
  Known<bool> interruptCoalescing;   // Emulex family
  Known<std::string> queueDepth;     // Emulex family: QUEUEDEPTH; QLogic family: THROTTLE
  Known<std::string> queueTarget;    // Emulex family
  Known<int> resetBus;               // QLogic family
};

// One OEM INF search: the files whose first `key` line in `section` contains
// `match` ("oem12.inf", in the order found).
struct InfSearchFacts {
  std::string match;
  std::string section;
  std::string key;
  Known<std::vector<std::string>> files;
};

// The Miscellaneous page's facts, and the Tandrel release the report names.
struct MiscFacts {
  Known<bool> tandrelInstalled;
  Known<std::string> tandrelRelease;
  Known<bool> tarnService;
  Known<std::string> tevoCcl;  // "tandrel", "default" or "none"
};

// The report's OVRA section: the Zolfcac driver file and its key's parameter text.
struct OvraFacts {
  Known<bool> zolfcacPresent;
  Known<std::string> driverParameter;
  Known<Settings> parameters;
};

struct MachineInfo {
  Known<std::string> drive;            // "C:"
  Known<std::string> systemDirectory;  // "C:\WINDOWS\system32"
  Known<std::string> osVersion;        // "5.2"
  Known<int> osCode;                   // GetOsVersionCode: 4, 5, 6 or 0
  Known<bool> is64Bit;
};

// Where a report read back stood in its file.
struct ReportInfo {
  int number = 0;  // 1 = the oldest
  int count = 0;   // reports in the file
  int firstLine = 0;
  Known<std::string> written;  // "2026-12-08T09:05:03", from its date and time lines
  bool complete = false;       // it reached its last section and nothing in it was skipped
  Known<int> firstUnreadableLine;
};

struct PageFacts {
  struct Control {
    int id = 0;
    std::string text;
  };
  int templateId = 0;
  std::string caption;
  std::vector<Control> controls;
};

struct MachineFacts {
  Known<ReportInfo> report;
  MachineInfo machine;
  std::vector<FileFacts> drivers;      // every known driver file, in DriverVersions order
  std::vector<FileFacts> markers;      // every version marker, in MarkerVersions order
  std::vector<AdapterFacts> adapters;  // the six adapter drivers, in the driver table's order
  std::vector<InfSearchFacts> infSearches;
  MiscFacts miscellaneous;
  OvraFacts ovra;
  Known<std::vector<PageFacts>> pages;
};

// Every file, adapter and INF search named, with its fixed facts, and nothing
// known about a machine: where every source starts.
MachineFacts EmptyFacts();

// The adapter with driver index `index`, the INF search for match/section/key,
// the file named `file` (case-insensitive); null when there is none.
AdapterFacts* FindAdapter(MachineFacts& facts, int index);
InfSearchFacts* FindInfSearch(MachineFacts& facts, const std::string& match, const std::string& section,
                              const std::string& key);
FileFacts* FindFile(std::vector<FileFacts>& files, const std::string& file);

// The multipath rule the reader's flags stand for: "transparent",
// "multi_path", "single_path" or "none".
const char* MultipathName(const DriverParamInfo& info);

}  // namespace model
