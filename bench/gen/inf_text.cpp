#include "bench/gen/inf_text.h"

#include <algorithm>

#include "platform/text.h"

namespace bench {
namespace {

const char* const kParams[] = {
    "SpeedDuplex",     "FlowControl",    "JumboPacket",   "InterruptModeration", "ReceiveBuffers",   "TransmitBuffers",
    "ChecksumOffload", "VlanId",         "WakeOnLink",    "LinkTimeOut",         "QueueDepth",       "RetryCount",
    "MaxTransferSize", "PowerSaving",    "ScanInterval",  "LargeSendOffload",    "PriorityVlan",     "AdaptiveIfs",
    "LogLinkState",    "TaggingMode",    "ResetOnHang",   "CoalesceBuffers",     "ReceiveSideScale", "NodeTimeOut",
    "TopologyMode",    "HardwareCursor", "RefreshPolicy", "DmaChannels",         "SampleRate",       "PollingInterval",
};
const char* const kLocales[] = {"0407", "040C", "0410", "0C0A", "0413", "0416"};
const char* const kLocalePrefix[] = {
    "Ger\xC3\xA4teeinstellung: ", "Param\xC3\xA8tre : ", "Impostazione: ",
    "Configuraci\xC3\xB3n: ",     "Instelling: ",        "Configura\xC3\xA7\xC3\xA3o: "};
// One per device class, in the order of DeviceClasses().
const char* const kProducts[] = {"Network Adapter",
                                 "Fibre Channel Adapter",
                                 "Graphics Controller",
                                 "System Device",
                                 "Storage Controller",
                                 "USB Host Controller",
                                 "Serial Port",
                                 "Audio Device",
                                 "Monitor",
                                 "Pointing Device",
                                 "Keyboard",
                                 "Scanner"};

void Add(std::string& out, const std::string& line) {
  out += line;
  out += "\r\n";
}

// "ReceiveBuffers" -> "Receive Buffers".
std::string Spaced(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z' && !out.empty()) out += ' ';
    out += c;
  }
  return out;
}

std::string ParamName(int i) {
  const int count = static_cast<int>(sizeof kParams / sizeof kParams[0]);
  std::string name = kParams[i % count];
  return i < count ? name : name + std::to_string(i / count + 1);
}

void WriteHeader(std::string& out, const InfPackage& p, Rng& rng) {
  Add(out, ";");
  Add(out, "; " + p.driver + ".inf -- " + p.provider + " " + p.cls->name + " driver installation file");
  Add(out,
      "; Copyright \xC2\xA9 " + std::to_string(rng.Between(1998, 2007)) + " " + p.provider + ". All rights reserved.");
  Add(out, ";");
  Add(out, "");
  Add(out, "[" + p.versionName + "]");
  Add(out, rng.Percent(90) ? "Signature=\"$Windows NT$\"" : "Signature=\"$CHICAGO$\"");
  Add(out, "Class=" + std::string(p.cls->name));
  Add(out, "ClassGUID=" + std::string(p.cls->guid));
  Add(out, "Provider=%" + p.providerKey + "%");
  Add(out, "CatalogFile=" + p.catalog);
  if (rng.Percent(40)) Add(out, "CatalogFile.NTamd64=" + p.driver + "64.cat");
  Add(out, "DriverVer=" + DriverVer(rng));
  Add(out, "");
  if (rng.Percent(30)) {
    Add(out, "[ControlFlags]");
    Add(out, "ExcludeFromSelect = *");
    Add(out, "");
  }
  Add(out, "[SourceDisksNames]");
  Add(out, "1 = %DiskDescription%,,,");
  Add(out, "");
  Add(out, "[SourceDisksFiles]");
  Add(out, p.driver + ".sys = 1");
  if (rng.Percent(50)) Add(out, p.driver + "co.dll = 1");
  Add(out, "");
  Add(out, "[DestinationDirs]");
  Add(out, "DefaultDestDir = 12 ; %SystemRoot%\\system32\\drivers");
  Add(out, p.install + "_CopyFiles = 12");
  Add(out, "");
}

void WriteModels(std::string& out, const InfPackage& p, Rng& rng, std::vector<std::string>& deviceKeys) {
  Add(out, "[Manufacturer]");
  Add(out, "%" + p.providerKey + "% = " + p.providerKey + ", NTx86, NTamd64");
  Add(out, "");
  std::vector<std::string> lines;
  for (int i = 0; i < p.models; ++i) {
    std::string key =
        p.providerKey + "_" + Hex(static_cast<unsigned>(rng.Between(0, 0xFFFF)), 4) + "_" + std::to_string(i);
    deviceKeys.push_back(key);
    lines.push_back("%" + key + ".DeviceDesc% = " + p.install + ", " +
                    HardwareId(rng, p.vendorId, p.providerKey, *p.cls));
  }
  for (const char* platform : {"NTx86", "NTamd64"}) {
    Add(out, "[" + p.providerKey + "." + platform + "]");
    if (rng.Percent(40)) Add(out, "; " + std::string(p.cls->name) + " devices supported by this package");
    for (const std::string& line : lines) Add(out, line);
    Add(out, "");
  }
}

void WriteInstall(std::string& out, const InfPackage& p, Rng& rng) {
  const std::string& s = p.install;
  Add(out, "[" + s + "]");
  Add(out, "AddReg = " + p.firstAddReg);
  Add(out, "CopyFiles = " + s + "_CopyFiles");
  if (rng.Percent(50)) Add(out, "AddReg = " + s + "_Params_AddReg");
  Add(out, "Characteristics = 0x84");
  Add(out, "BusType = 5");
  Add(out, "");
  Add(out, "[" + s + ".Services]");
  Add(out, "AddService = " + p.driver + ", 0x00000002, " + s + "_Service, " + s + "_EventLog");
  Add(out, "");
  Add(out, "[" + s + "_Service]");
  Add(out, "DisplayName    = %" + p.driver + ".Service%");
  Add(out, "ServiceType    = 1  ; SERVICE_KERNEL_DRIVER");
  Add(out, "StartType      = " + std::to_string(rng.Between(0, 3)) + "  ; boot, system, auto or demand");
  Add(out, "ErrorControl   = 1  ; SERVICE_ERROR_NORMAL");
  Add(out, "ServiceBinary  = %12%\\" + p.driver + ".sys");
  Add(out, "LoadOrderGroup = " + std::string(rng.Percent(50) ? "SCSI miniport" : "NDIS"));
  Add(out, "AddReg         = " + s + "_Service_AddReg");
  Add(out, "");
  Add(out, "[" + s + "_Service_AddReg]");
  Add(out, "HKR, \"Parameters\\PnpInterface\", \"5\", 0x00010001, 0x00000001");
  Add(out, "HKR, \"Parameters\", \"BusType\", 0x00010001, 0x00000006");
  Add(out, "");
  Add(out, "[" + s + "_EventLog]");
  Add(out, "AddReg = " + s + "_EventLog_AddReg");
  Add(out, "");
  Add(out, "[" + s + "_EventLog_AddReg]");
  Add(out, "HKR,,EventMessageFile,0x00020000,\"%%SystemRoot%%\\System32\\IoLogMsg.dll;\\");
  Add(out, "    %%SystemRoot%%\\System32\\drivers\\" + p.driver + ".sys\"");
  Add(out, "HKR,,TypesSupported,0x00010001,7");
  Add(out, "");
  Add(out, "[" + s + "_CopyFiles]");
  Add(out, p.driver + ".sys,,,0x00000002");
  Add(out, "");
}

void WriteParams(std::string& out, const InfPackage& p, Rng& rng) {
  Add(out, "[" + p.install + "_Params_AddReg]");
  Add(out, "HKR, Ndi, Service, 0, \"" + p.driver + "\"");
  Add(out, "HKR, Ndi\\Interfaces, UpperRange, 0, \"ndis5\"");
  for (int i = 0; i < p.params; ++i) {
    const std::string name = ParamName(i);
    const std::string key = "HKR, Ndi\\params\\" + name;
    Add(out, "");
    Add(out, key + ", ParamDesc, 0, %" + name + "%");
    if (rng.Percent(55)) {
      Add(out, key + ", type,      0, \"enum\"");
      Add(out, key + ", default,   0, \"" + std::to_string(rng.Between(0, 1)) + "\"");
      Add(out, key + "\\enum, \"0\", 0, %Disabled%");
      Add(out, key + "\\enum, \"1\", 0, %Enabled%");
    } else {
      const int low = rng.Between(0, 64);
      Add(out, key + ", type,      0, \"int\"");
      Add(out, key + ", default,   0, \"" + std::to_string(low * 4) + "\"");
      Add(out, key + ", min,       0, \"" + std::to_string(low) + "\"");
      Add(out, key + ", max,       0, \"" + std::to_string(low * 64 + 64) + "\"");
      Add(out, key + ", step,      0, \"1\"");
    }
  }
  Add(out, "");
}

void WriteStrings(std::string& out, const InfPackage& p, const std::vector<std::string>& deviceKeys, Rng& rng,
                  const std::string& prefix, const char* locale) {
  Add(out, locale ? "[Strings." + std::string(locale) + "]" : "[Strings]");
  Add(out, p.providerKey + " = \"" + prefix + p.provider + "\"");
  Add(out, "DiskDescription = \"" + prefix + p.provider + " Driver Disk\"");
  Add(out, p.driver + ".Service = \"" + prefix + p.provider + " " + p.driver + " Driver\"");
  Add(out, "Disabled = \"" + prefix + "Disabled\"");
  Add(out, "Enabled = \"" + prefix + "Enabled\"");
  const std::size_t cls = static_cast<std::size_t>(p.cls - DeviceClasses().data());
  const std::string product = cls < sizeof kProducts / sizeof kProducts[0] ? kProducts[cls] : "Device";
  for (const std::string& key : deviceKeys)
    Add(out, key + ".DeviceDesc = \"" + prefix + p.provider + " " + Capitalized(Word(rng, 2)) + " " +
                 std::to_string(rng.Between(100, 9900)) + " " + product + "\"");
  for (int i = 0; i < p.params; ++i) Add(out, ParamName(i) + " = \"" + prefix + Spaced(ParamName(i)) + "\"");
  Add(out, "");
}

}  // namespace

InfPackage RandomPackage(Rng& rng, const std::string& driver) {
  const Maker& maker = rng.Pick(Makers());
  InfPackage p;
  p.provider = maker.name;
  p.providerKey = maker.key;
  p.vendorId = maker.pciId;
  p.cls = &rng.Pick(DeviceClasses());
  p.driver = driver;
  p.catalog = driver + ".cat";
  p.install = Capitalized(driver) + "_Inst";
  p.firstAddReg = p.install + "_AddReg";
  static const char* const kVersionNames[] = {"Version", "Version", "Version", "version", "VERSION"};
  p.versionName = rng.Pick(kVersionNames);
  // Squares of uniform draws: many small packages, a few large ones.
  const int m = rng.Between(1, 9);
  p.models = m * m;
  const int k = rng.Between(0, 6);
  p.params = k * k;
  p.locales = rng.Between(0, 100) < 60 ? rng.Between(0, 2) : rng.Between(3, 6);
  p.unicode = rng.Percent(12);
  return p;
}

std::string InfText(const InfPackage& p, Rng& rng) {
  std::string out;
  std::vector<std::string> deviceKeys;
  WriteHeader(out, p, rng);
  WriteModels(out, p, rng, deviceKeys);
  WriteInstall(out, p, rng);
  Add(out, "[" + p.firstAddReg.substr(0, p.firstAddReg.find(',')) + "]");
  Add(out, "HKR, , DevLoader, 0, *ntkern");
  Add(out, "HKR, , NTMPDriver, 0, " + p.driver + ".sys");
  Add(out, "");
  WriteParams(out, p, rng);
  WriteStrings(out, p, deviceKeys, rng, "", nullptr);
  const int locales = std::min<int>(p.locales, sizeof kLocales / sizeof kLocales[0]);
  for (int i = 0; i < locales; ++i) WriteStrings(out, p, deviceKeys, rng, kLocalePrefix[i], kLocales[i]);
  return out;
}

std::vector<std::uint8_t> EncodeInf(const std::string& utf8, bool unicode) {
  const std::u16string text = text::FromUtf8(utf8);
  std::vector<std::uint8_t> out;
  if (unicode) {
    out.reserve(2 + text.size() * 2);
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (char16_t c : text) {
      out.push_back(static_cast<std::uint8_t>(c));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  } else {
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<std::uint8_t>(c) : '?');
  }
  return out;
}

std::vector<std::uint8_t> PnfBytes(Rng& rng, std::size_t infBytes) {
  // Version 1.1 precompiled INF, Windows NT flavour, then the opaque body.
  std::vector<std::uint8_t> out = {0x01, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00};
  rng.Fill(out, infBytes + infBytes / 4);
  return out;
}

}  // namespace bench
