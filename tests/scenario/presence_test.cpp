// Which adapter pages the sheet admits: parameter string first, driver file
// second, and the ql2300 ScsiPort/StorPort split by its value names.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/startup.h"
#include "pages/adapter_presence.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;

const std::u16string kQlDevice = u"SYSTEM\\CurrentControlSet\\Services\\ql2300\\Parameters\\Device";

// Zolvanta, Emulex StorPort, Emulex ScsiPort, vexa2300, QLogic ScsiPort, QLogic StorPort.
using Flags = std::array<int, 6>;

Flags Detect() {
  pages::AdapterPresence p;
  p.bZolvanta = p.bElxStorPort = p.bLpxScsiPort = p.bVexa2300 = p.bQlScsiPort = p.bQlStorPort = 7;
  pages::DetectAdapters(p);
  return {p.bZolvanta, p.bElxStorPort, p.bLpxScsiPort, p.bVexa2300, p.bQlScsiPort, p.bQlStorPort};
}

void WriteDriver(Scenario& s, const char16_t* file) {
  tools::VersionSpec versionSpec;
  versionSpec.fileVersion[0] = 6;
  s.WritePe(s.DriversDir() + file, versionSpec);
}

TEST(PresenceTest, NothingInstalledClearsEveryFlag) {
  Scenario s;
  s.Apply();
  EXPECT_EQ(Detect(), (Flags{0, 0, 0, 0, 0, 0}));
}

TEST(PresenceTest, ParameterStringOrDriverFileEachSuffice) {
  Scenario s;
  s.SetString(u"SYSTEM\\CurrentControlSet\\Services\\elxstor\\Parameters\\Device", u"DriverParameter", u"QueueDepth=8");
  WriteDriver(s, u"lpxnds.sys");
  WriteDriver(s, u"vexa2300.sys");
  s.CreateKey(u"SYSTEM\\CurrentControlSet\\Services\\ZOLVANTA\\Parameters\\Device");  // key without the value
  s.Apply();
  EXPECT_EQ(Detect(), (Flags{0, 1, 1, 1, 0, 0}));
}

TEST(PresenceTest, Ql2300ValueNamesDecideScsiPortOrStorPort) {
  struct Case {
    const char* name;
    bool file;
    bool parameters;  // "DriverParameters" (ScsiPort)
    bool parameter;   // "DriverParameter" (StorPort)
    int scsi, stor;
  };
  const Case cases[] = {
      {"file, neither value", true, false, false, 1, 0},
      {"file, DriverParameter only", true, false, true, 0, 1},
      {"file, DriverParameters only", true, true, false, 1, 0},
      {"file, both values", true, true, true, 1, 1},
      {"no file, DriverParameters only", false, true, false, 1, 0},
      {"no file, DriverParameter only", false, false, true, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    if (c.file) WriteDriver(s, u"ql2300.sys");
    if (c.parameters) s.SetString(kQlDevice, u"DriverParameters", u"Throttle=16");
    if (c.parameter) s.SetString(kQlDevice, u"DriverParameter", u"Throttle=16");
    s.Apply();
    EXPECT_EQ(Detect(), (Flags{0, 0, 0, 0, c.scsi, c.stor}));

    std::vector<std::u16string> captions;
    for (const app::SheetPage& page : app::StartupPages().SheetPages()) captions.push_back(page.caption);
    std::vector<std::u16string> expected;
    if (c.scsi) expected.push_back(u"QLogic ScsiPort");
    if (c.stor) expected.push_back(u"QLogic StorPort");
    expected.push_back(u"Miscellaneous");
    EXPECT_EQ(captions, expected);
  }
}

}  // namespace
