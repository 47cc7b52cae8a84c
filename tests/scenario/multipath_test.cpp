// Classification of the Emulex-family settings, including the Multi Path rule
// that depends on carnel.sys.
#include <gtest/gtest.h>

#include <string>

#include "probes/system_probe.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;

enum Outcome { kNone, kTransparent, kMulti, kSingle };

Outcome Classify(Scenario& s, const std::u16string& settings) {
  s.SetString(u"SYSTEM\\CurrentControlSet\\Services\\Lpxnds\\Parameters\\Device", u"DriverParameter", settings);
  s.Apply();
  DriverParamInfo info{};
  if (CSystemProbe().ReadDriverParameters(6, info) != 1) return kNone;
  EXPECT_LE(info.MultiPath + info.SinglePath + info.Transparent, 1);
  if (info.Transparent) return kTransparent;
  if (info.MultiPath) return kMulti;
  if (info.SinglePath) return kSingle;
  return kNone;
}

TEST(MultipathTest, RulesInOrderWithAndWithoutCarnel) {
  struct Case {
    const char16_t* settings;
    Outcome withoutCarnel;
    Outcome withCarnel;
  };
  const Case cases[] = {
      {u"NODETIMEOUT=10;LINKTIMEOUT=40", kMulti, kNone},
      {u"nodetimeout = 10; linktimeout = 40", kMulti, kNone},
      {u"NODETIMEOUT=100;LINKTIMEOUT=400", kMulti, kNone},  // substrings of longer values
      {u"NODETIMEOUT=10;HLINKTIMEOUT=40", kMulti, kNone},   // LINKTIMEOUT=40 inside HLINKTIMEOUT=40
      {u"NODETIMEOUT=60;LINKTIMEOUT=60;HLINKTIMEOUT=40", kTransparent, kTransparent},
      {u"NODETIMEOUT=60;HLINKTIMEOUT=30", kNone, kNone},
      {u"NODETIMEOUT=255;LINKTIMEOUT=500;HLINKTIMEOUT=5", kSingle, kSingle},
      {u"NODETIMEOUT=60;NODETIMEOUT=10;LINKTIMEOUT=40", kMulti, kNone},  // LINKTIMEOUT=40 is not =60
  };
  for (bool carnel : {false, true}) {
    Scenario s;
    if (carnel) {
      tools::VersionSpec versionSpec;
      versionSpec.fileVersion[0] = 3;
      s.WritePe(s.DriversDir() + u"carnel.sys", versionSpec);
    }
    for (const Case& c : cases) {
      std::u16string what(c.settings);
      EXPECT_EQ(Classify(s, c.settings), carnel ? c.withCarnel : c.withoutCarnel)
          << std::string(what.begin(), what.end()) << (carnel ? " with carnel.sys" : "");
    }
  }
}

TEST(MultipathTest, UnversionedCarnelCountsAsAbsent) {
  Scenario s;
  tools::VersionSpec versionSpec;
  versionSpec.withVersionResource = false;
  s.WritePe(s.DriversDir() + u"carnel.sys", versionSpec);
  EXPECT_EQ(Classify(s, u"NODETIMEOUT=10;LINKTIMEOUT=40"), kMulti);
}

}  // namespace
