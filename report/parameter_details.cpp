#include "report/parameter_details.h"

#include "probes/system_probe.h"
#include "probes/system_paths.h"
#include "probes/registry_key.h"
#include "probes/system_probe.h"
#include "report/piece_sink.h"

namespace report {
namespace {

bool IsQlogicFamily(int driverIndex) { return driverIndex == 7 || driverIndex == 8 || driverIndex == 10; }

// The parameter key the driver parameter reader uses for the index (with its
// trailing backslash); empty for an index it does not know.
const char16_t* ParameterKeyPath(int driverIndex) {
  switch (driverIndex) {
    case 1:
      return GetOsVersionCode() == 4 ? u"SYSTEM\\CurrentControlSet\\Services\\Lp6nds35\\Parameters\\Device\\"
                                     : u"SYSTEM\\CurrentControlSet\\Services\\ZOLVANTA\\Parameters\\Device\\";
    case 4:
      return u"SYSTEM\\CurrentControlSet\\Services\\elxstor\\Parameters\\Device\\";
    case 6:
      return u"SYSTEM\\CurrentControlSet\\Services\\Lpxnds\\Parameters\\Device\\";
    case 7:
    case 8:
      return u"SYSTEM\\CurrentControlSet\\Services\\ql2300\\Parameters\\Device\\";
    case 10:
      return u"SYSTEM\\CurrentControlSet\\Services\\vexa2300\\Parameters\\Device\\";
    default:
      return u"";
  }
}

void WriteCoalescing(PieceSink& out, const DriverParamInfo& info) {
  if (info.InterruptCoalescing == 1) {
    out.Append(u"Interrupt Coalescing:    * Enabled *\r\n");
  } else {
    out.Append(u"Interrupt Coalescing:    * Disabled *\r\n\r\n");
  }
}

const char16_t* ConfigurationWord(int driverIndex, const DriverParamInfo& info) {
  if (IsQlogicFamily(driverIndex)) return u"* All Modes Supported *";
  if (info.MultiPath) return u"* Best Configured for a Multi Path Environment *";
  if (info.SinglePath) return u"* Best Configured for a Single Path Environment *";
  if (info.Transparent) return u"* Best Configured for a Transparent Environment *";
  return u"* Not Available *";
}

}  // namespace

bool WriteParameterDetails(CTextFile& file, int driverIndex) {
  PieceSink out(file);

  CRegistryKey key;
  const bool keyOpen = key.Open(ParameterKeyPath(driverIndex)) != 0;

  // The counts start at the reader's own defaults. When the driver's setting
  // text is missing the reader leaves the record's numbers alone; the block
  // below then shows the defaults, or the values themselves where the key holds
  // them, instead of whatever the record happened to contain.
  DriverParamInfo info{};
  info.NumberOfRequests = 150;
  info.MaximumSGList = 33;
  info.NumFcpContext = 512;
  info.ResetBus = 0;
  CSystemProbe probe;
  if (probe.ReadDriverParameters(driverIndex, info) == 0 && keyOpen) {
    if (driverIndex == 4) {
      key.ReadDword(u"NumFcpContext", info.NumFcpContext);
    } else {
      key.ReadDword(u"MaximumSGList", info.MaximumSGList);
      key.ReadDword(u"NumberOfRequests", info.NumberOfRequests);
    }
  }

  out.Append(u"\r\n");
  if (driverIndex == 4) {
    out.Append(u"NumFcpContext:           [%d] \r\n\r\n", info.NumFcpContext);
    WriteCoalescing(out, info);
  } else {
    if (keyOpen && IsQlogicFamily(driverIndex)) {
      out.Append(u"ResetBus:                [%d] \r\n", info.ResetBus);
      // The QLogic drivers use 65 scatter-gather entries unless MaximumSGList
      // is set in their key. The line shows the value set in the key, read
      // straight from it, or 65 when the key does not set one; the reader's
      // default of 33 belongs to the Emulex family and is not shown here.
      std::uint32_t sgList = 0;
      if (key.ReadDword(u"MaximumSGList", sgList)) {
        out.Append(u"MaximumSGList:           [%d] \r\n", sgList);
      } else {
        out.Append(u"MaximumSGList:           [65] \r\n");
      }
    } else {
      out.Append(u"MaximumSGList:           [%d] \r\n", info.MaximumSGList);
    }
    out.Append(u"NumberOfRequests:        [%d] \r\n", info.NumberOfRequests);
    if (driverIndex == 1 || driverIndex == 6) {
      WriteCoalescing(out, info);
    } else {
      out.Append(u"\r\n");
    }
  }
  if (keyOpen) key.Close();

  out.Append(u"\r\n\r\n\r\nConfiguration Type:      %s \r\n\r\n", ConfigurationWord(driverIndex, info));
  return out.complete();
}

}  // namespace report
