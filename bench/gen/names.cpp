#include "bench/gen/names.h"

#include <cctype>
#include <cstdio>

namespace bench {

const std::vector<Maker>& Makers() {
  static const std::vector<Maker> makers = {
      {"Arvenco Systems", "ARVCO", 0x1A3E},       {"Bellmark Devices", "BELLMK", 0x1B7C},
      {"Corwyn Networks", "CORWYN", 0x1C21},      {"Dunmore Graphics", "DUNGFX", 0x1D05},
      {"Elsworth Storage", "ELSSTO", 0x1E92},     {"Fenwick Micro", "FENMIC", 0x1F4B},
      {"Garrow Semiconductor", "GARSEM", 0x20A7}, {"Halden Peripherals", "HALPER", 0x2163},
      {"Irvane Labs", "IRVLAB", 0x22D0},          {"Jessop Computing", "JESCMP", 0x2318},
      {"Kestrel Audio", "KESAUD", 0x24E6},        {"Lorimer Input", "LORINP", 0x2571},
      {"Marwood Controls", "MARCTL", 0x26AF},     {"Norcott Power", "NORPWR", 0x2734},
  };
  return makers;
}

const std::vector<DeviceClass>& DeviceClasses() {
  static const std::vector<DeviceClass> classes = {
      {"Net", "{4D36E972-E325-11CE-BFC1-08002BE10318}", "PCI"},
      {"SCSIAdapter", "{4D36E97B-E325-11CE-BFC1-08002BE10318}", "PCI"},
      {"Display", "{4D36E968-E325-11CE-BFC1-08002BE10318}", "PCI"},
      {"System", "{4D36E97D-E325-11CE-BFC1-08002BE10318}", "ACPI"},
      {"HDC", "{4D36E96A-E325-11CE-BFC1-08002BE10318}", "PCI"},
      {"USB", "{36FC9E60-C465-11CF-8056-444553540000}", "USB"},
      {"Ports", "{4D36E978-E325-11CE-BFC1-08002BE10318}", "ACPI"},
      {"MEDIA", "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "PCI"},
      {"Monitor", "{4D36E96E-E325-11CE-BFC1-08002BE10318}", "Monitor"},
      {"Mouse", "{4D36E96F-E325-11CE-BFC1-08002BE10318}", "HID"},
      {"Keyboard", "{4D36E96B-E325-11CE-BFC1-08002BE10318}", "HID"},
      {"Image", "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}", "USB"},
  };
  return classes;
}

std::string Word(Rng& rng, int syllables) {
  static const char* const kOnsets[] = {"b", "br", "c",  "d", "dr", "f",  "g", "gr", "h", "k", "l", "m",
                                        "n", "p",  "qu", "r", "s",  "st", "t", "tr", "v", "w", "z"};
  static const char* const kVowels[] = {"a", "e", "i", "o", "u", "ai", "ea", "ou", "y"};
  static const char* const kCodas[] = {"", "", "", "n", "r", "s", "x", "l", "m", "th", "ck", "nd"};
  std::string out;
  for (int i = 0; i < syllables; ++i) {
    out += rng.Pick(kOnsets);
    out += rng.Pick(kVowels);
    out += rng.Pick(kCodas);
  }
  return out;
}

std::string Capitalized(std::string s) {
  if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  return s;
}

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

std::string HardwareId(Rng& rng, unsigned vendorId, const std::string& makerKey, const DeviceClass& cls) {
  const std::string bus = cls.bus;
  const unsigned device = static_cast<unsigned>(rng.Between(1, 0xFFFF));
  if (bus == "PCI") {
    std::string id = "PCI\\VEN_" + Hex(vendorId, 4) + "&DEV_" + Hex(device, 4);
    if (rng.Percent(60)) id += "&SUBSYS_" + Hex(static_cast<unsigned>(rng.Between(1, 0xFFFF)), 4) + Hex(vendorId, 4);
    if (rng.Percent(30)) id += "&REV_" + Hex(static_cast<unsigned>(rng.Between(1, 0x40)), 2);
    return id;
  }
  if (bus == "USB") return "USB\\VID_" + Hex(vendorId, 4) + "&PID_" + Hex(device, 4);
  if (bus == "HID") return "HID\\VID_" + Hex(vendorId, 4) + "&PID_" + Hex(device, 4) + "&MI_00";
  if (bus == "Monitor") return "Monitor\\" + makerKey.substr(0, 3) + Hex(device, 4);
  return "ACPI\\" + makerKey.substr(0, 3) + Hex(device, 4);
}

std::string ServiceName(Rng& rng) {
  std::string name = Word(rng, rng.Between(1, 3));
  if (rng.Percent(35)) name += std::to_string(rng.Between(2, 99));
  return name.size() > 24 ? name.substr(0, 24) : name;
}

std::string DriverVer(Rng& rng) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d,%d.%d.%d.%d", rng.Between(1, 12), rng.Between(1, 28),
                rng.Between(2003, 2008), rng.Between(1, 9), rng.Between(0, 20), rng.Between(0, 999),
                rng.Between(0, 9999));
  return buffer;
}

}  // namespace bench
