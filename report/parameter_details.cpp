#include "report/parameter_details.h"

#include "probes/driver_table.h"
#include "probes/registry_key.h"
#include "probes/system_probe.h"
#include "report/piece_sink.h"

namespace report {
namespace {

void WriteCoalescing(PieceSink& out, const DriverParamInfo& info) {
  if (info.InterruptCoalescing == 1) {
    out.Append(u"Interrupt Coalescing:    * Enabled *\r\n");
  } else {
    out.Append(u"Interrupt Coalescing:    * Disabled *\r\n\r\n");
  }
}

}  // namespace

const char16_t* ConfigurationType(int driverIndex, const DriverParamInfo& info) {
  if (IsQLogicFamily(driverIndex)) return u"* All Modes Supported *";
  if (info.MultiPath) return u"* Best Configured for a Multi Path Environment *";
  if (info.SinglePath) return u"* Best Configured for a Single Path Environment *";
  if (info.Transparent) return u"* Best Configured for a Transparent Environment *";
  return u"* Not Available *";
}

bool WriteParameterDetails(CTextFile& file, int driverIndex) {
  PieceSink out(file);

  // The key the driver parameter reader uses for the index; an empty path for
  // an index it does not know.
  char16_t path[260] = {};
  if (const AdapterDriver* driver = FindAdapterDriver(driverIndex)) ParameterKeyPath(*driver, path);
  CRegistryKey key;
  const bool keyOpen = key.Open(path) != 0;

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
    if (CountsFcpContexts(driverIndex)) {
      key.ReadDword(u"NumFcpContext", info.NumFcpContext);
    } else {
      key.ReadDword(u"MaximumSGList", info.MaximumSGList);
      key.ReadDword(u"NumberOfRequests", info.NumberOfRequests);
    }
  }

  out.Append(u"\r\n");
  if (CountsFcpContexts(driverIndex)) {
    out.Append(u"NumFcpContext:           [%d] \r\n\r\n", info.NumFcpContext);
    WriteCoalescing(out, info);
  } else {
    if (keyOpen && IsQLogicFamily(driverIndex)) {
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
    if (IsEmulexFamily(driverIndex)) {
      WriteCoalescing(out, info);
    } else {
      out.Append(u"\r\n");
    }
  }
  if (keyOpen) key.Close();

  out.Append(u"\r\n\r\n\r\nConfiguration Type:      %s \r\n\r\n", ConfigurationType(driverIndex, info));
  return out.complete();
}

}  // namespace report
