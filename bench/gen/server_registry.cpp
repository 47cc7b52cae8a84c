#include "bench/gen/server_registry.h"

#include <map>

#include "bench/gen/names.h"
#include "platform/text.h"

namespace bench {
namespace {

constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kMultiSz = 7;

// RegistryContent with UTF-8 texts, and the control set that keys go to.
class Writer {
 public:
  Writer(tools::RegistryContent* out, std::string controlSet) : out_(out), controlSet_(std::move(controlSet)) {}
  std::string Services() const { return "SYSTEM\\" + controlSet_ + "\\Services\\"; }
  void Sz(const std::string& key, const std::string& name, const std::string& value, std::uint32_t type = 1) {
    out_->SetString(text::FromUtf8(key), text::FromUtf8(name), text::FromUtf8(value), type);
  }
  void Dword(const std::string& key, const std::string& name, std::uint32_t value) {
    out_->SetDword(text::FromUtf8(key), text::FromUtf8(name), value);
  }
  void Binary(const std::string& key, const std::string& name, std::vector<std::uint8_t> data) {
    out_->SetValue(text::FromUtf8(key), text::FromUtf8(name), tools::RegValue{kBinary, std::move(data)});
  }
  void MultiSz(const std::string& key, const std::string& name, const std::vector<std::string>& texts) {
    std::vector<std::uint8_t> data;
    for (const std::string& t : texts) {
      for (char16_t c : text::FromUtf8(t) + u'\0') {
        data.push_back(static_cast<std::uint8_t>(c));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
      }
    }
    data.insert(data.end(), {0, 0});
    out_->SetValue(text::FromUtf8(key), text::FromUtf8(name), tools::RegValue{kMultiSz, std::move(data)});
  }

 private:
  tools::RegistryContent* out_;
  std::string controlSet_;
};

struct ToolService {
  const char* name;
  const char* group;
  const char* driverParameter;   // "DriverParameter" below Parameters\Device, or nullptr
  const char* driverParameters;  // "DriverParameters" (the QLogic ScsiPort driver's), or nullptr
  std::uint32_t numbers[3];      // NumFcpContext, MaximumSGList, NumberOfRequests; 0: not set
};

const ToolService kToolServiceKeys[] = {
    {"ZOLVANTA",
     "SCSI miniport",
     "QueueDepth=32;QueueTarget=1;CrFIntrpt=1;LinkTimeOut=30;NodeTimeOut=30",
     nullptr,
     {0, 65, 254}},
    {"elxstor",
     "SCSI miniport",
     "QueueDepth=32;QueueTarget=1;LinkTimeOut=40;NodeTimeOut=10;CoalesceMsCnt=0",
     nullptr,
     {1024, 0, 0}},
    {"Lpxnds",
     "SCSI miniport",
     "QueueDepth=16;QueueTarget=0;CrFIntrpt=0;Topology=2;LinkSpeed=0",
     nullptr,
     {0, 33, 150}},
    {"ql2300", "SCSI miniport", "Throttle=64;RstBus=1;LinkDownTimeout=30", "BusChange=0;Throttle=32", {0, 65, 254}},
    {"vexa2300", "SCSI miniport", "Throttle=16;RstBus=2;LoginRetryCount=8", nullptr, {0, 0, 0}},
    {"Tarn_Service", nullptr, nullptr, nullptr, {0, 0, 0}},
    {"Sollin", "Filter", nullptr, nullptr, {0, 0, 0}},
    {"carnel", "Filter", nullptr, nullptr, {0, 0, 0}},
};
static_assert(sizeof kToolServiceKeys / sizeof kToolServiceKeys[0] == kToolServices, "kToolServices counts this table");

void WriteToolServices(Writer& w, RegistryFor target) {
  const std::uint32_t disabled = 4;
  for (const ToolService& s : kToolServiceKeys) {
    const std::string key = w.Services() + s.name;
    const bool driver = s.group != nullptr;
    w.Dword(key, "Type", driver ? 1 : 16);
    w.Dword(key, "Start", target == RegistryFor::Wine ? disabled : (driver ? 0 : 2));
    w.Dword(key, "ErrorControl", 1);
    if (driver) {
      w.Sz(key, "Group", s.group);
      w.Sz(key, "ImagePath", std::string("system32\\DRIVERS\\") + s.name + ".sys", kExpandSz);
    } else {
      w.Sz(key, "ImagePath", "\"C:\\Program Files\\Tandrel\\tarnsvc.exe\"", kExpandSz);
      w.Sz(key, "DisplayName", "Tarn Service");
      w.Sz(key, "ObjectName", "LocalSystem");
    }
    const std::string device = key + "\\Parameters\\Device";
    if (s.driverParameter) w.Sz(device, "DriverParameter", s.driverParameter);
    if (s.driverParameters) w.Sz(device, "DriverParameters", s.driverParameters);
    if (s.numbers[0]) w.Dword(device, "NumFcpContext", s.numbers[0]);
    if (s.numbers[1]) w.Dword(device, "MaximumSGList", s.numbers[1]);
    if (s.numbers[2]) w.Dword(device, "NumberOfRequests", s.numbers[2]);
  }
}

void WriteDriverService(Writer& w, const std::string& key, const std::string& name, Rng& rng) {
  static const char* const kGroups[] = {
      "Base",   "Boot Bus Extender", "System Bus Extender", "SCSI miniport", "NDIS", "PNP_TDI",
      "Filter", "Extended Base",     "Pointer Port",        "Video"};
  w.Sz(key, "Group", rng.Pick(kGroups));
  w.Sz(key, "ImagePath", "system32\\DRIVERS\\" + name + ".sys", kExpandSz);
  if (rng.Percent(40)) w.Dword(key, "Tag", static_cast<std::uint32_t>(rng.Between(1, 40)));
  if (rng.Percent(40)) {
    const Maker& maker = rng.Pick(Makers());
    w.Sz(key + "\\Enum", "0",
         HardwareId(rng, maker.pciId, maker.key, rng.Pick(DeviceClasses())) + "\\4&" +
             Hex(static_cast<unsigned>(rng.Next()), 8) + "&0&00E0");
    w.Dword(key + "\\Enum", "Count", 1);
    w.Dword(key + "\\Enum", "NextInstance", 1);
  }
}

void WriteWin32Service(Writer& w, const std::string& key, const std::string& name, Rng& rng) {
  const Maker& maker = rng.Pick(Makers());
  if (rng.Percent(50)) {
    w.Sz(key, "ImagePath", "%SystemRoot%\\System32\\svchost.exe -k netsvcs", kExpandSz);
  } else {
    w.Sz(key, "ImagePath", std::string("\"C:\\Program Files\\") + maker.name + "\\" + name + ".exe\"", kExpandSz);
  }
  w.Sz(key, "Description",
       std::string("Provides ") + Word(rng, 2) + " and " + Word(rng, 3) + " services for " + maker.name +
           " devices. If this service is stopped, those devices stop working.");
  w.Sz(key, "ObjectName", rng.Percent(70) ? "LocalSystem" : "NT AUTHORITY\\NetworkService");
}

void WriteService(Writer& w, const std::string& name, RegistryFor target, Rng& rng) {
  static const std::uint32_t kDriverStarts[] = {0, 1, 1, 2, 3, 3, 3, 3, 3, 4};
  static const std::uint32_t kWin32Starts[] = {2, 2, 2, 2, 2, 3, 3, 3, 3, 4};
  const std::string key = w.Services() + name;
  const bool driver = rng.Percent(65);
  w.Dword(key, "Type", driver ? (rng.Percent(10) ? 2 : 1) : (rng.Percent(60) ? 16 : 32));
  const std::uint32_t start = driver ? rng.Pick(kDriverStarts) : rng.Pick(kWin32Starts);
  w.Dword(key, "Start", target == RegistryFor::Wine ? 4 : start);
  w.Dword(key, "ErrorControl", rng.Percent(80) ? 1 : 0);
  w.Sz(key, "DisplayName", Capitalized(name) + (driver ? " Driver" : " Service"));
  if (driver) {
    WriteDriverService(w, key, name, rng);
  } else {
    WriteWin32Service(w, key, name, rng);
  }
  if (rng.Percent(30)) {
    const int values = rng.Between(1, 6);
    for (int i = 0; i < values; ++i) {
      const std::string valueName = Capitalized(Word(rng, 2));
      if (rng.Percent(50)) {
        w.Dword(key + "\\Parameters", valueName, static_cast<std::uint32_t>(rng.Between(0, 5000)));
      } else {
        w.Sz(key + "\\Parameters", valueName, Word(rng, 3));
      }
    }
  }
  if (rng.Percent(50)) {
    std::vector<std::uint8_t> descriptor = {0x01, 0x00, 0x14, 0x80};
    rng.Fill(descriptor, static_cast<std::size_t>(rng.Between(100, 180)));
    w.Binary(key + "\\Security", "Security", std::move(descriptor));
  }
}

// The device an OEM INF installed: its instance below Enum and its driver
// key below Control\Class\{guid}\NNNN.
void WriteDevice(Writer& w, const OemInf& inf, const std::string& driverKey, Rng& rng) {
  const InfPackage& p = inf.package;
  const std::string hardwareId = HardwareId(rng, p.vendorId, p.providerKey, *p.cls);
  const std::string instance = "SYSTEM\\CurrentControlSet\\Enum\\" + hardwareId + "\\" +
                               std::to_string(rng.Between(3, 5)) + "&" + Hex(static_cast<unsigned>(rng.Next()), 8) +
                               "&0&" + Hex(static_cast<unsigned>(rng.Between(0, 255)), 2);
  const std::string description = p.provider + " " + Capitalized(p.driver) + " " + p.cls->name;
  w.Sz(instance, "DeviceDesc", description);
  w.MultiSz(instance, "HardwareID", {hardwareId, hardwareId.substr(0, hardwareId.find('&', 13))});
  w.Sz(instance, "Mfg", p.provider);
  w.Sz(instance, "Service", p.driver);
  w.Sz(instance, "Class", p.cls->name);
  w.Sz(instance, "ClassGUID", p.cls->guid);
  w.Sz(instance, "Driver", std::string(p.cls->guid) + driverKey.substr(driverKey.rfind('\\')));
  w.Dword(instance, "ConfigFlags", 0);
  w.Dword(instance + "\\Device Parameters", "FirmwareRevision", static_cast<std::uint32_t>(rng.Between(1, 900)));
  std::vector<std::uint8_t> resources = {0x01, 0x00, 0x00, 0x00};
  rng.Fill(resources, static_cast<std::size_t>(rng.Between(40, 160)));
  w.Binary(instance + "\\LogConf", "BootConfig", std::move(resources));

  w.Sz(driverKey, "DriverDesc", description);
  w.Sz(driverKey, "ProviderName", p.provider);
  w.Sz(driverKey, "InfPath", inf.fileName);
  w.Sz(driverKey, "InfSection", p.install);
  const std::string ver = DriverVer(rng);
  w.Sz(driverKey, "DriverDate", ver.substr(0, ver.find(',')));
  w.Sz(driverKey, "DriverVersion", ver.substr(ver.find(',') + 1));
  w.Sz(driverKey, "MatchingDeviceId", hardwareId);
}

void WriteDevices(Writer& w, const ServerPlan& plan, Rng& rng) {
  std::map<std::string, int> nextInstance;
  for (const OemInf& inf : plan.oem) {
    const char* guid = inf.package.cls->guid;
    WriteDevice(w, inf,
                "SYSTEM\\CurrentControlSet\\Control\\Class\\" + std::string(guid) + "\\" +
                    Hex(static_cast<unsigned>(nextInstance[guid]++), 4),
                rng);
  }
}

void WriteSoftware(Writer& w, const ServerOptions& options, Rng& rng) {
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  w.Sz(nt, "CurrentVersion", "5.2");
  w.Sz(nt, "CurrentBuildNumber", "3790");
  w.Sz(nt, "CSDVersion", "Service Pack 2");
  w.Sz(nt, "ProductName", "Microsoft Windows Server 2003");
  w.Sz(nt, "CurrentType", "Multiprocessor Free");
  w.Sz(nt, "SystemRoot", "C:\\WINDOWS");
  w.Sz(nt, "RegisteredOwner", "Storage Operations");
  w.Dword(nt, "InstallDate", 0x45A1C3F2);
  for (int i = 0; i < options.uninstallKeys; ++i) {
    const Maker& maker = rng.Pick(Makers());
    const std::string product = Capitalized(Word(rng, 2)) + " " + Capitalized(Word(rng, 1));
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" +
                            Hex(static_cast<unsigned>(rng.Next()), 8) + "-" +
                            Hex(static_cast<unsigned>(rng.Between(0, 0xFFFF)), 4) + "-4C2E-9A1B-" +
                            Hex(static_cast<unsigned>(rng.Next()), 8) + "0000}";
    w.Sz(key, "DisplayName", std::string(maker.name) + " " + product);
    w.Sz(key, "DisplayVersion", std::to_string(rng.Between(1, 12)) + "." + std::to_string(rng.Between(0, 99)));
    w.Sz(key, "Publisher", maker.name);
    w.Sz(key, "InstallLocation", std::string("C:\\Program Files\\") + maker.name + "\\" + product + "\\");
    w.Sz(key, "UninstallString", "MsiExec.exe /X" + key.substr(key.rfind('\\') + 1), kExpandSz);
    w.Dword(key, "EstimatedSize", static_cast<std::uint32_t>(rng.Between(200, 400000)));
    w.Dword(key, "NoModify", 1);
  }
}

}  // namespace

void FillRegistry(const ServerPlan& plan, const ServerOptions& options, RegistryFor target,
                  tools::RegistryContent* out) {
  Rng rng(options.seed ^ 0x5EED0F5EC0DEull);
  Writer current(out, "CurrentControlSet");
  WriteToolServices(current, target);
  Rng services = rng.Fork(1);
  for (const std::string& name : plan.services) WriteService(current, name, target, services);
  if (target == RegistryFor::Image) {
    // LastKnownGood: the same services once more, as the boot before left them.
    Writer lastKnownGood(out, "ControlSet002");
    WriteToolServices(lastKnownGood, target);
    Rng again = rng.Fork(1);
    for (const std::string& name : plan.services) WriteService(lastKnownGood, name, target, again);
    Writer select(out, "");
    select.Dword("SYSTEM\\Select", "Current", 1);
    select.Dword("SYSTEM\\Select", "Default", 1);
    select.Dword("SYSTEM\\Select", "LastKnownGood", 2);
    select.Dword("SYSTEM\\Select", "Failed", 0);
    Rng devices = rng.Fork(2);
    WriteDevices(current, plan, devices);
  }
  Rng software = rng.Fork(3);
  WriteSoftware(current, options, software);
}

}  // namespace bench
