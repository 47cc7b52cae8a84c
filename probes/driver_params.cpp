// The driver parameter reader of CSystemProbe.
#include "platform/text.h"
#include "probes/param_text.h"
#include "probes/registry_key.h"
#include "probes/system_paths.h"
#include "probes/system_probe.h"
#include "probes/token_list.h"

namespace {

struct DriverKey {
  const char16_t* key;
  const char16_t* value;
  bool emulex;
};

bool KeyFor(int driverIndex, DriverKey& out) {
  switch (driverIndex) {
    case driver_index::kZolvanta:
      out = {GetOsVersionCode() == 4 ? u"SYSTEM\\CurrentControlSet\\Services\\Lp6nds35\\Parameters\\Device\\"
                                     : u"SYSTEM\\CurrentControlSet\\Services\\ZOLVANTA\\Parameters\\Device\\",
             u"DriverParameter", true};
      return true;
    case driver_index::kElxStor:
      out = {u"SYSTEM\\CurrentControlSet\\Services\\elxstor\\Parameters\\Device\\", u"DriverParameter", true};
      return true;
    case driver_index::kLpxnds:
      out = {u"SYSTEM\\CurrentControlSet\\Services\\Lpxnds\\Parameters\\Device\\", u"DriverParameter", true};
      return true;
    case driver_index::kQlScsiPort:
      out = {u"SYSTEM\\CurrentControlSet\\Services\\ql2300\\Parameters\\Device\\", u"DriverParameters", false};
      return true;
    case driver_index::kQlStorPort:
      out = {u"SYSTEM\\CurrentControlSet\\Services\\ql2300\\Parameters\\Device\\", u"DriverParameter", false};
      return true;
    case driver_index::kVexa2300:
      out = {u"SYSTEM\\CurrentControlSet\\Services\\vexa2300\\Parameters\\Device\\", u"DriverParameter", false};
      return true;
    default:
      return false;
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

  DriverKey chosen{};
  if (!KeyFor(driverIndex, chosen)) return 0;

  CRegistryKey key;
  if (!key.Open(chosen.key)) return 0;
  char16_t settings[260] = {};
  if (!key.ReadString(chosen.value, settings)) {
    key.Close();
    return 0;
  }

  CTokenList tokens;
  if (chosen.emulex) {
    RemoveBlanks(settings);
    text::UpperCaseAZInPlace(settings);
    if (IsTransparentConfig(settings)) {
      info.Transparent = 1;
    } else if (IsMultiPathConfig(settings)) {
      info.MultiPath = 1;
    } else if (IsSinglePathConfig(settings)) {
      info.SinglePath = 1;
    }
    if (driverIndex == driver_index::kElxStor) {
      info.InterruptCoalescing = text::Contains(settings, u"COALESCEMSCNT=0") ? 0 : 1;
    } else {
      info.InterruptCoalescing = text::Contains(settings, u"CRFINTRPT=1") ? 1 : 0;
    }
    tokens.Split(settings, u';');
    for (int i = 0; i < CTokenList::kMaxTokens && tokens.TokenAt(i); ++i) {
      const char16_t* token = tokens.TokenAt(i);
      if (text::Contains(token, u"QUEUEDEPTH")) {
        ValueAfterEquals(token, info.QueueDepth);
      } else if (text::Contains(token, u"QUEUETARGET")) {
        ValueAfterEquals(token, info.QueueTarget);
      }
    }
  } else {
    info.MultiPath = 1;
    text::UpperCaseAZInPlace(settings);
    RemoveBlanks(settings);
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

  if (driverIndex == driver_index::kElxStor) {
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
  CRegistryKey key;
  if (!key.Open(u"SYSTEM\\CurrentControlSet\\Services\\ql2300\\Parameters\\Device")) return 0;
  char16_t buffer[260] = {};
  int result = key.ReadString(u"DriverParameter", buffer);
  key.Close();
  return result;
}
