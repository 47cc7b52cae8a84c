#include "model/collect.h"

#include "model/inf_searches.h"
#include "model/settings.h"
#include "pages/adapter_presence.h"
#include "pages/page_lines.h"
#include "pages/page_param_text.h"
#include "platform/os.h"
#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/fs_redirection.h"
#include "probes/oem_inf.h"
#include "probes/registry_key.h"
#include "probes/system_paths.h"
#include "probes/version_files.h"
#include "report/system_report.h"
#include "files/text_file.h"

namespace model {
namespace {

template <std::size_t N>
std::string Utf8(const char16_t (&field)[N]) {
  return text::ToUtf8(pages::FieldText(field));
}

MachineInfo CollectMachineInfo() {
  MachineInfo machine;
  char16_t systemDirectory[260] = {};
  os::GetSystemDirectoryW(systemDirectory, 260);
  machine.systemDirectory = Utf8(systemDirectory);
  machine.drive = text::ToUtf8(std::u16string_view(systemDirectory, text::Length(systemDirectory, 2)));
  os::OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  os::GetVersionExW(&info);
  machine.osVersion = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion);
  machine.osCode = GetOsVersionCode();
  machine.is64Bit = Is64BitWindows() != 0;
  return machine;
}

// Each file's existence and version, as the lookups of GetDriverVersions and
// GetMarkerVersions find them (the same folders, the same reader).
template <typename Table, typename Record>
void CollectFiles(const Table& table, const char16_t* directory, Record& record, std::vector<FileFacts>& files) {
  CSystemProbe probe;
  for (const auto& row : table) {
    FileFacts* facts = FindFile(files, text::ToUtf8(row.fileName));
    const bool present = probe.GetFileVersionString(directory, row.fileName, record.*row.field);
    facts->present = present;
    facts->version = Utf8(record.*row.field);
  }
}

// The parameter text as the registry holds it, and its settings.
void ReadParameterText(const char16_t* keyPath, const char16_t* valueName, Known<std::string>& raw,
                       Known<Settings>& settings) {
  CRegistryKey key;
  if (!key.Open(keyPath)) return;
  char16_t value[260] = {};
  const int read = key.ReadString(valueName, value);
  key.Close();
  if (!read) return;
  raw = Utf8(value);
  settings = ParseSettings(value);
}

void CollectReaderFacts(const AdapterDriver& driver, AdapterFacts& adapter) {
  CSystemProbe probe;
  DriverParamInfo info{};
  const bool read = probe.ReadDriverParameters(driver.index, info) != 0;
  adapter.parametersRead = read;
  adapter.configuration = text::ToUtf8(pages::ConfigurationWord(driver.index, read ? &info : nullptr));
  if (!read) return;
  char16_t keyPath[260] = {};
  ParameterKeyPath(driver, keyPath);
  ReadParameterText(keyPath, driver.registry.settingsValue, adapter.driverParameter, adapter.parameters);
  if (driver.counts == DriverCounts::kFcpContexts) {
    adapter.counts = {{"NumFcpContext", info.NumFcpContext}};
  } else {
    adapter.counts = {{"MaximumSGList", info.MaximumSGList}, {"NumberOfRequests", info.NumberOfRequests}};
  }
  adapter.multipath = MultipathName(info);
  adapter.queueDepth = Utf8(info.QueueDepth);
  if (driver.family == DriverFamily::kEmulex) {
    adapter.interruptCoalescing = info.InterruptCoalescing == 1;
    adapter.queueTarget = Utf8(info.QueueTarget);
  } else {
    adapter.resetBus = info.ResetBus;
  }
}

void CollectAdapters(MachineFacts& facts) {
  pages::AdapterPresence presence{};
  pages::DetectAdapters(presence);
  const bool nt4 = GetOsVersionCode() == 4;
  for (const AdapterDriver& driver : kAdapterDrivers) {
    AdapterFacts& adapter = *FindAdapter(facts, driver.index);
    const PackageMarkers& markers = driver.markers;
    const bool use64 = *facts.machine.is64Bit && markers.on64.fileName != nullptr;
    adapter.markerFile = text::ToUtf8(use64 ? markers.on64.fileName : markers.on32.fileName);
    const DriverRegistry& registry = driver.registry;
    adapter.serviceKey = text::ToUtf8(nt4 && registry.nt4ServiceKey ? registry.nt4ServiceKey : registry.serviceKey);
    adapter.shown = presence.*pages::PresenceFlag(driver.index) == 1;
    CollectReaderFacts(driver, adapter);
  }
}

std::vector<std::string> FindInfs(const InfSearchFacts& search) {
  CTokenList names;
  FindOemInfs(u"Oem*.inf", text::FromUtf8(search.match).c_str(), names, text::FromUtf8(search.section).c_str(),
              text::FromUtf8(search.key).c_str(), 1);
  std::vector<std::string> files;
  for (int i = 0; i < CTokenList::kMaxTokens && names.TokenAt(i) != nullptr; ++i) {
    files.push_back(text::ToUtf8(names.TokenAt(i)) + "inf");
  }
  return files;
}

bool Found(MachineFacts& facts, const InfSearch& search) {
  const InfSearchFacts* found =
      FindInfSearch(facts, text::ToUtf8(search.match), text::ToUtf8(search.section), text::ToUtf8(search.key));
  return found != nullptr && found->files && !found->files->empty();
}

void CollectMiscellaneous(MachineFacts& facts, const DriverVersions& drivers) {
  MiscFacts& misc = facts.miscellaneous;
  misc.tandrelInstalled = drivers.sollin[0] != 0;
  if (drivers.sollin[0] != 0) misc.tandrelRelease = text::ToUtf8(report::TandrelRelease(drivers.sollin));
  misc.tarnService = CRegistryKey::KeyExists(u"SYSTEM\\CurrentControlSet\\Services\\Tarn_Service") != 0;
  misc.tevoCcl = Found(facts, kTandrelTevoCcl) ? "tandrel" : Found(facts, kDefaultTevoCcl) ? "default" : "none";
}

void CollectOvra(MachineFacts& facts, const char16_t* systemDirectory) {
  char16_t path[260] = {};
  text::Format(path, u"%s%s", systemDirectory, u"\\drivers\\zolfcac.sys");
  CTextFile file;
  facts.ovra.zolfcacPresent = file.FileExists(path) != 0;
  text::Format(path, u"System\\CurrentControlSet\\Services\\%s\\Parameters\\Device", kZolfcacListing);
  const AdapterDriver& listingDriver = *FindAdapterDriver(driver_index::kZolvanta);
  ReadParameterText(path, listingDriver.registry.settingsValue, facts.ovra.driverParameter, facts.ovra.parameters);
}

}  // namespace

MachineFacts CollectMachineFacts() {
  MachineFacts facts = EmptyFacts();
  facts.machine = CollectMachineInfo();

  DriverVersions drivers{};
  MarkerVersions markers{};
  char16_t directory[260] = {};
  DriversDirectory(directory);
  {
    CFileSystemRedirectionOff realDriversFolder;
    CollectFiles(kDriverFiles, directory, drivers, facts.drivers);
  }
  MarkerDirectory(directory);
  CollectFiles(kMarkerFiles, directory, markers, facts.markers);

  CollectAdapters(facts);
  for (InfSearchFacts& search : facts.infSearches) search.files = FindInfs(search);
  CollectMiscellaneous(facts, drivers);
  char16_t systemDirectory[260] = {};
  os::GetSystemDirectoryW(systemDirectory, 260);
  CollectOvra(facts, systemDirectory);
  return facts;
}

}  // namespace model
