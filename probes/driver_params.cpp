// The driver parameter reader of CSystemProbe.
#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/param_text.h"
#include "probes/registry_key.h"
#include "probes/system_probe.h"
#include "probes/token_list.h"

namespace {

// Classification, interrupt coalescing, queue depth and queue target from the
// settings text of an Emulex-family driver.
void ParseEmulexSettings(CSystemProbe& probe, const AdapterDriver& driver, char16_t (&settings)[260],
                         DriverParamInfo& info) {
  RemoveBlanks(settings);
  text::UpperCaseAZInPlace(settings);
  if (probe.IsTransparentConfig(settings)) {
    info.Transparent = 1;
  } else if (probe.IsMultiPathConfig(settings)) {
    info.MultiPath = 1;
  } else if (probe.IsSinglePathConfig(settings)) {
    info.SinglePath = 1;
  }
  const CoalescingRule& coalescing = driver.coalescing;
  info.InterruptCoalescing = text::Contains(settings, coalescing.setting) == coalescing.onWhenPresent ? 1 : 0;
  CTokenList tokens;
  tokens.Split(settings, u';');
  for (int i = 0; i < CTokenList::kMaxTokens && tokens.TokenAt(i); ++i) {
    const char16_t* token = tokens.TokenAt(i);
    if (text::Contains(token, u"QUEUEDEPTH")) {
      ValueAfterEquals(token, info.QueueDepth);
    } else if (text::Contains(token, u"QUEUETARGET")) {
      ValueAfterEquals(token, info.QueueTarget);
    }
  }
}

// Execution throttle and bus reset from the settings text of a QLogic-family
// driver, which supports every configuration.
void ParseQLogicSettings(char16_t (&settings)[260], DriverParamInfo& info) {
  info.MultiPath = 1;
  text::UpperCaseAZInPlace(settings);
  RemoveBlanks(settings);
  CTokenList tokens;
  tokens.Split(settings, u';');
  for (int i = 0; i < CTokenList::kMaxTokens && tokens.TokenAt(i); ++i) {
    const char16_t* token = tokens.TokenAt(i);
    if (text::Contains(token, u"THROTTLE")) ValueAfterEquals(token, info.QueueDepth);
  }
  if (text::Contains(settings, u"RSTBUS=2")) {
    info.ResetBus = 2;
  } else if (text::Contains(settings, u"RSTBUS=1")) {
    info.ResetBus = 1;
  } else {
    info.ResetBus = 0;
  }
}

}  // namespace

int CSystemProbe::ReadDriverParameters(int driverIndex, DriverParamInfo& info) {
  info.MultiPath = 0;
  info.SinglePath = 0;
  info.Transparent = 0;
  info.InterruptCoalescing = 0;
  ClearText(info.QueueDepth, 260);
  ClearText(info.QueueTarget, 260);

  const AdapterDriver* driver = FindAdapterDriver(driverIndex);
  if (driver == nullptr) return 0;
  char16_t path[260] = {};
  ParameterKeyPath(*driver, path);

  CRegistryKey key;
  if (!key.Open(path)) return 0;
  char16_t settings[260] = {};
  if (!key.ReadString(driver->registry.settingsValue, settings)) {
    key.Close();
    return 0;
  }

  if (driver->family == DriverFamily::kEmulex) {
    ParseEmulexSettings(*this, *driver, settings, info);
  } else {
    ParseQLogicSettings(settings, info);
  }

  if (driver->counts == DriverCounts::kFcpContexts) {
    os::DWORD fcp = 512;
    key.ReadDword(u"NumFcpContext", fcp);
    info.NumFcpContext = fcp;
  } else {
    os::DWORD sg = 33;
    key.ReadDword(u"MaximumSGList", sg);
    info.MaximumSGList = sg;
    os::DWORD requests = 150;
    key.ReadDword(u"NumberOfRequests", requests);
    info.NumberOfRequests = requests;
  }
  key.Close();
  return 1;
}

int CSystemProbe::HasQlStorPortParameter() {
  const AdapterDriver& storPort = *FindAdapterDriver(driver_index::kQlStorPort);
  char16_t path[260] = {};
  ParameterKeyPath(storPort, path);
  path[text::Length(path) - 1] = 0;  // this test opens the key without its trailing backslash
  CRegistryKey key;
  if (!key.Open(path)) return 0;
  char16_t buffer[260] = {};
  int result = key.ReadString(storPort.registry.settingsValue, buffer);
  key.Close();
  return result;
}
