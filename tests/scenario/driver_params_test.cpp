// The driver parameter reader on registry contents, from hives and from a
// Unicode export (one run under Wine).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "probes/system_probe.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::RegistrySource;
using testing_support::Scenario;

const std::u16string kServices = u"SYSTEM\\CurrentControlSet\\Services\\";
const std::u16string kDevice = u"\\Parameters\\Device";

std::u16string DeviceKey(const char16_t* service) { return kServices + service + kDevice; }

DriverParamInfo Sentinel() {
  DriverParamInfo info;
  std::memset(&info, 0, sizeof info);
  info.MultiPath = info.SinglePath = info.Transparent = info.InterruptCoalescing = 9;
  std::u16string junk = u"junk";
  junk.copy(info.QueueDepth, junk.size());
  junk.copy(info.QueueTarget, junk.size());
  info.NumberOfRequests = info.MaximumSGList = info.NumFcpContext = 7;
  info.ResetBus = 7;
  return info;
}

class DriverParamsTest : public ::testing::TestWithParam<RegistrySource> {
 protected:
  void SetUp() override {
    if (Scenario::IsWine() && GetParam() != RegistrySource::Hives) GTEST_SKIP() << "Wine has one registry";
  }
};

TEST_P(DriverParamsTest, ElxstorSettingsAndDefaultNumbers) {
  Scenario s(GetParam());
  s.SetString(DeviceKey(u"elxstor"), u"DriverParameter", u"queuedepth = 16;QUEUEDEPTH=32;QueueTarget=1");
  s.Apply();
  DriverParamInfo info = Sentinel();
  ASSERT_EQ(CSystemProbe().ReadDriverParameters(4, info), 1);
  EXPECT_EQ(std::u16string(info.QueueDepth), u"32");  // the later token wins
  EXPECT_EQ(std::u16string(info.QueueTarget), u"1");
  EXPECT_EQ(info.InterruptCoalescing, 1);
  EXPECT_EQ(info.NumFcpContext, 512u);
  EXPECT_EQ(info.MaximumSGList, 7u);  // not an elxstor number
  EXPECT_EQ(info.MultiPath + info.SinglePath + info.Transparent, 0);
}

TEST_P(DriverParamsTest, CoalescingPerDriver) {
  Scenario s(GetParam());
  s.SetString(DeviceKey(u"elxstor"), u"DriverParameter", u"CoalesceMsCnt = 0");
  s.SetString(DeviceKey(u"Lpxnds"), u"DriverParameter", u"QueueDepth=8");
  s.SetString(DeviceKey(u"ZOLVANTA"), u"DriverParameter", u"crfintrpt=1");
  s.Apply();
  CSystemProbe probe;
  DriverParamInfo info = Sentinel();
  ASSERT_EQ(probe.ReadDriverParameters(4, info), 1);
  EXPECT_EQ(info.InterruptCoalescing, 0);
  ASSERT_EQ(probe.ReadDriverParameters(6, info), 1);
  EXPECT_EQ(info.InterruptCoalescing, 0);
  EXPECT_EQ(std::u16string(info.QueueTarget), u"");
  ASSERT_EQ(probe.ReadDriverParameters(1, info), 1);
  EXPECT_EQ(info.InterruptCoalescing, 1);
}

TEST_P(DriverParamsTest, NumbersReadOrDefaulted) {
  Scenario s(GetParam());
  s.SetString(DeviceKey(u"Lpxnds"), u"DriverParameter", u"x=1");
  s.SetDword(DeviceKey(u"Lpxnds"), u"MaximumSGList", 129);
  s.SetString(DeviceKey(u"vexa2300"), u"DriverParameter", u"x=1");
  s.SetString(DeviceKey(u"elxstor"), u"DriverParameter", u"x=1");
  s.SetDword(DeviceKey(u"elxstor"), u"NumFcpContext", 1024);
  s.Apply();
  CSystemProbe probe;
  DriverParamInfo info = Sentinel();
  ASSERT_EQ(probe.ReadDriverParameters(6, info), 1);
  EXPECT_EQ(info.MaximumSGList, 129u);
  EXPECT_EQ(info.NumberOfRequests, 150u);
  info = Sentinel();
  ASSERT_EQ(probe.ReadDriverParameters(10, info), 1);
  EXPECT_EQ(info.MaximumSGList, 33u);
  EXPECT_EQ(info.NumberOfRequests, 150u);
  ASSERT_EQ(probe.ReadDriverParameters(4, info), 1);
  EXPECT_EQ(info.NumFcpContext, 1024u);
}

TEST_P(DriverParamsTest, FailuresClearFlagsAndTextsButNotNumbers) {
  Scenario s(GetParam());
  s.CreateKey(DeviceKey(u"Lpxnds"));  // key without the text value
  s.SetString(DeviceKey(u"elxstor"), u"DriverParameter", std::u16string(260, u'Q'));
  s.Apply();
  CSystemProbe probe;
  for (int index : {6, 4, 1, 10, 3}) {
    DriverParamInfo info = Sentinel();
    EXPECT_EQ(probe.ReadDriverParameters(index, info), 0) << index;
    EXPECT_EQ(info.MultiPath + info.SinglePath + info.Transparent + info.InterruptCoalescing, 0) << index;
    EXPECT_EQ(info.QueueDepth[0], 0) << index;
    EXPECT_EQ(info.QueueTarget[0], 0) << index;
    EXPECT_EQ(info.NumberOfRequests, 7u) << index;
    EXPECT_EQ(info.ResetBus, 7) << index;
  }
}

TEST_P(DriverParamsTest, Ql2300ValueNamesAndThrottle) {
  struct Case {
    const char16_t* valueName;
    const char16_t* settings;
    int scsi;  // index 7 reads "DriverParameters"
    int stor;  // index 8 reads "DriverParameter"
  };
  const Case cases[] = {
      {u"DriverParameter", u"Throttle=16", 0, 1},
      {u"DriverParameters", u"Throttle=16", 1, 0},
  };
  for (const Case& c : cases) {
    Scenario s(GetParam());
    s.SetString(DeviceKey(u"ql2300"), c.valueName, c.settings);
    s.Apply();
    CSystemProbe probe;
    DriverParamInfo info = Sentinel();
    EXPECT_EQ(probe.ReadDriverParameters(7, info), c.scsi);
    EXPECT_EQ(probe.ReadDriverParameters(8, info), c.stor);
    EXPECT_EQ(probe.HasQlStorPortParameter(), c.stor);
  }
}

TEST_P(DriverParamsTest, QlogicFamilyThrottleAndBusReset) {
  struct Case {
    const char16_t* settings;
    const char16_t* depth;
    int resetBus;
  };
  const Case cases[] = {
      {u"Throttle=16;RstBus=2", u"16", 2},
      {u"RSTBUS=12", u"", 1},
      {u"rstbus = 1 ; rstbus=2 ; throttle = 8 ; EXECUTIONTHROTTLE=4", u"4", 2},
      {u"LINKTIMEOUT=500;NODETIMEOUT=255", u"", 0},
  };
  for (const Case& c : cases) {
    Scenario s(GetParam());
    s.SetString(DeviceKey(u"vexa2300"), u"DriverParameter", c.settings);
    s.Apply();
    DriverParamInfo info = Sentinel();
    ASSERT_EQ(CSystemProbe().ReadDriverParameters(10, info), 1);
    std::u16string what(c.settings);
    EXPECT_EQ(std::u16string(info.QueueDepth), c.depth) << std::string(what.begin(), what.end());
    EXPECT_EQ(info.ResetBus, c.resetBus);
    EXPECT_EQ(info.MultiPath, 1);
    EXPECT_EQ(info.SinglePath + info.Transparent + info.InterruptCoalescing, 0);
    EXPECT_EQ(std::u16string(info.QueueTarget), u"");
  }
}

TEST_P(DriverParamsTest, OnlyFiftyTokensExaminedButWholeTextClassified) {
  // 49 filler settings, then QUEUEDEPTH as the 50th and QUEUETARGET as the 51st
  // token; the time-outs that make the text Transparent come last.
  std::u16string settings;
  for (int i = 0; i < 49; ++i) settings += u"A=1;";
  settings += u"QUEUEDEPTH=5;QUEUETARGET=6;NODETIMEOUT=60";
  ASSERT_LT(settings.size(), 260u);
  Scenario s(GetParam());
  s.SetString(DeviceKey(u"Lpxnds"), u"DriverParameter", settings);
  s.Apply();
  DriverParamInfo info = Sentinel();
  ASSERT_EQ(CSystemProbe().ReadDriverParameters(6, info), 1);
  EXPECT_EQ(std::u16string(info.QueueDepth), u"5");  // 50th token
  EXPECT_EQ(std::u16string(info.QueueTarget), u"");  // 51st token
  EXPECT_EQ(info.Transparent, 1);
}

INSTANTIATE_TEST_SUITE_P(Sources, DriverParamsTest,
                         ::testing::Values(RegistrySource::Hives, RegistrySource::RegExportUnicode));

TEST(DriverParamsOsTest, NtFourReadsTheLp6nds35Key) {
  Scenario s;
  if (!s.CanSetOsVersion()) GTEST_SKIP() << "the OS version cannot be changed here";
  s.SetString(DeviceKey(u"Lp6nds35"), u"DriverParameter", u"QueueDepth=4");
  s.SetString(DeviceKey(u"ZOLVANTA"), u"DriverParameter", u"QueueDepth=5");
  s.SetOsVersion(4, 0);
  s.Apply();
  DriverParamInfo info = Sentinel();
  ASSERT_EQ(CSystemProbe().ReadDriverParameters(1, info), 1);
  EXPECT_EQ(std::u16string(info.QueueDepth), u"4");
  s.SetOsVersion(5, 2);
  s.Apply();
  ASSERT_EQ(CSystemProbe().ReadDriverParameters(1, info), 1);
  EXPECT_EQ(std::u16string(info.QueueDepth), u"5");
}

}  // namespace
