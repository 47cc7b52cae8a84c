// The "Driver Information" pages of whole scenario machines, compared as the
// full --pages text: which pages the sheet holds, in which order, and every
// line of every page.
#include <gtest/gtest.h>

#include <string>

#include "app/page_output.h"
#include "platform/text.h"
#include "app/startup.h"
#include "tests/support/page_golden.h"
#include "tests/support/scenario.h"
#include "tests/support/test_machines.h"

namespace {

using namespace testing_support;
using tools::FileVersion;

const std::u16string kServices = u"SYSTEM\\CurrentControlSet\\Services\\";

std::string PagesNow() { return app::PagesAsText(app::StartupPages().SheetPages()); }

GoldenPage NoMisc() { return MiscPage("", false, Tevo::None); }

const std::string kNoKorvane = KorvaneLine("", "");

// A 64-bit Wine prefix always has SysWow64; cases that need a 32-bit system skip there.
bool IsSixtyFourBit(const Scenario& s) { return s.Exists(s.WindowsDir() + u"\\SysWow64"); }

TEST(PagesTest, NoDriverAtAllShowsTheMiscellaneousPageAlone) {
  Scenario s;
  s.Apply();
  EXPECT_EQ(PagesNow(), GoldenPagesText({NoMisc()}));
}

// Each driver file alone, with its 32-bit marker, no parameters: the page's
// "N/A" lines, replaced by that page's defaults where it has them.
TEST(PagesTest, EachDriverAloneShowsItsPageWithItsDefaults) {
  struct Case {
    const char16_t* driverFile;
    const char16_t* markerFile;
    GoldenPage page;
  };
  const Case cases[] = {
      {u"Zolvanta.sys", u"Pellwyn.exe",
       ZolvantaNoParameters(KorvaneLine("Pellwyn.exe", "2.0.0.1"), DriverLine("5.30.1.7"))},
      {u"ELXSTOR.sys", u"Vardane.exe", ElxNoParameters(KorvaneLine("Vardane.exe", "2.0.0.1"), DriverLine("5.30.1.7"))},
      {u"lpxnds.sys", u"Quillon.exe", LpxNoParameters(KorvaneLine("Quillon.exe", "2.0.0.1"), DriverLine("5.30.1.7"))},
      {u"vexa2300.sys", u"Gallond.exe",
       QLogicNoParameters("VEXA2300", KorvaneLine("Gallond.exe", "2.0.0.1"), DriverLine("5.30.1.7"))},
      {u"ql2300.sys", u"Morrisk.exe",
       QLogicNoParameters("QLogic ScsiPort", KorvaneLine("Morrisk.exe", "2.0.0.1"), DriverLine("5.30.1.7"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.driverFile));
    Scenario s;
    if (IsSixtyFourBit(s)) GTEST_SKIP() << "the system has SysWow64: markers would be the 64-bit ones";
    s.WritePe(s.DriversDir() + c.driverFile, FileVersion(5, 30, 1, 7));
    s.WritePe(s.MarkerDir() + c.markerFile, FileVersion(2, 0, 0, 1));
    s.Apply();
    EXPECT_EQ(PagesNow(), GoldenPagesText({c.page, NoMisc()}));
  }
}

TEST(PagesTest, DriverFileWithoutVersionCountsAsAbsent) {
  Scenario s;
  tools::VersionSpec bare;
  bare.withVersionResource = false;
  s.WritePe(s.DriversDir() + u"ELXSTOR.sys", bare);
  s.Apply();
  EXPECT_EQ(PagesNow(), GoldenPagesText({NoMisc()}));
}

// Every driver with parameters, every marker and the Tandrel pieces: all seven
// pages in tab order (Emulex ScsiPort before Emulex StorPort).
TEST(PagesTest, AllDriversShowAllPagesInTabOrder) {
  Scenario s;
  if (IsSixtyFourBit(s)) GTEST_SKIP() << "the system has SysWow64: markers would be the 64-bit ones";
  AllPagesMachine(s);
  s.Apply();

  const std::string korvane = "1.0.2.4";
  const std::string driver = DriverLine("7.1.12.0");
  const std::string allModes = ConfigurationLine("All Modes Supported");
  EXPECT_EQ(
      PagesNow(),
      GoldenPagesText({
          ZolvantaPage(KorvaneLine("Pellwyn.exe", korvane), driver,
                       ConfigurationLine("Best Configured For Transparent"), QueueTargetLine("1"), RequestsLine("64"),
                       QueueDepthLine("32"), SgListLine("129")),
          LpxPage(KorvaneLine("Quillon.exe", korvane), driver, ConfigurationLine("Best Configured For Single Path"),
                  QueueTargetLine("N/A"), RequestsLine("150"), QueueDepthLine("N/A"), SgListLine("33")),
          ElxPage(KorvaneLine("Vardane.exe", korvane), driver, ConfigurationLine("Best Configured For Multi Path"),
                  QueueTargetLine("0"), FcpContextLine("1024"), QueueDepthLine("20")),
          QLogicPage("VEXA2300", KorvaneLine("Gallond.exe", korvane), driver, allModes, ThrottleLine("32"),
                     RequestsLine("150"), ResetBusLine("2"), SgListLine("33")),
          QLogicPage("QLogic ScsiPort", KorvaneLine("Morrisk.exe", korvane), driver, allModes, ThrottleLine("64"),
                     RequestsLine("150"), ResetBusLine("1"), SgListLine("255")),
          QLogicPage("QLogic StorPort", KorvaneLine("Tavish.exe", korvane), driver, allModes, ThrottleLine("8"),
                     RequestsLine("150"), ResetBusLine("0"), SgListLine("255")),
          MiscPage("3.5.0.13", true, Tevo::Tandrel),
      }));
}

// On 64-bit Windows the pages read the "64" markers, without falling back to
// the 32-bit one; the vexa2300 page always reads Gallond.exe.
TEST(PagesTest, SixtyFourBitSystemWithOnlyThirtyTwoBitMarkers) {
  Scenario s;
  s.MakeDir(s.WindowsDir() + u"\\SysWow64");
  s.WritePe(s.DriversDir() + u"Zolvanta.sys", FileVersion(5, 0, 0, 1));
  s.WritePe(s.DriversDir() + u"vexa2300.sys", FileVersion(9, 1, 0, 0));
  s.WritePe(s.DriversDir() + u"ELXSTOR.sys", FileVersion(7, 0, 0, 0));
  s.WritePe(s.MarkerDir() + u"Pellwyn.exe", FileVersion(1, 1, 1, 1));
  s.WritePe(s.MarkerDir() + u"Gallond.exe", FileVersion(1, 2, 3, 4));
  s.WritePe(s.MarkerDir() + u"Vardane.exe", FileVersion(1, 1, 1, 1));
  s.WritePe(s.MarkerDir() + u"Vardane64.exe", FileVersion(4, 3, 2, 1));
  s.Apply();
  EXPECT_EQ(PagesNow(),
            GoldenPagesText({
                ZolvantaNoParameters(kNoKorvane, DriverLine("5.0.0.1")),
                ElxNoParameters(KorvaneLine("Vardane64.exe", "4.3.2.1"), DriverLine("7.0.0.0")),
                QLogicNoParameters("VEXA2300", KorvaneLine("Gallond.exe", "1.2.3.4"), DriverLine("9.1.0.0")),
                NoMisc(),
            }));
}

// Lines the reader could not fill: "N/A" with a page default only where the
// page has one; a number the registry lacks is the reader's own default.
TEST(PagesTest, ReadableParametersWithMissingSettings) {
  Scenario s;
  const std::u16string device = u"\\Parameters\\Device";
  s.SetString(kServices + u"ZOLVANTA" + device, u"DriverParameter", u"QueueTarget=5");
  s.SetString(kServices + u"Lpxnds" + device, u"DriverParameter", u"QueueTarget=");
  s.SetString(kServices + u"elxstor" + device, u"DriverParameter", u"NodeTimeout=60;HLinkTimeout=30");
  s.Apply();
  EXPECT_EQ(PagesNow(), GoldenPagesText({
                            ZolvantaPage(kNoKorvane, DriverLine(""), ConfigurationLine("Unknown"), QueueTargetLine("5"),
                                         RequestsLine("150"), QueueDepthLine("32"), SgListLine("33")),
                            LpxPage(kNoKorvane, DriverLine(""), ConfigurationLine("Unknown"), QueueTargetLine("N/A"),
                                    RequestsLine("150"), QueueDepthLine("N/A"), SgListLine("33")),
                            ElxPage(kNoKorvane, DriverLine(""), ConfigurationLine("Unknown"), QueueTargetLine("0"),
                                    FcpContextLine("512"), QueueDepthLine("32")),
                            NoMisc(),
                        }));
}

// A setting long enough to overflow a 100-character line slot is cut at 99
// characters (its closing quote lost), never written past the slot.
TEST(PagesTest, OverlongSettingIsCutAtTheLineSlot) {
  Scenario s;
  const std::string depth(150, '7');
  s.SetString(kServices + u"Lpxnds\\Parameters\\Device", u"DriverParameter",
              u"QueueDepth=" + text::FromUtf8(depth) + u";QueueTarget=2");
  s.Apply();
  const std::string cut = QueueDepthLine(depth).substr(0, 99);
  EXPECT_EQ(PagesNow(), GoldenPagesText({LpxPage(kNoKorvane, DriverLine(""), ConfigurationLine("Unknown"),
                                                 QueueTargetLine("2"), RequestsLine("150"), cut, SgListLine("33")),
                                         NoMisc()}));
}

// The miscellaneous page: Tandrel by its Sollin driver, Tarn_Service by its
// key, TevoCCL by the OEM INF files (Tandrel's install section first).
const char kTandrelInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=tevoccl.cat\r\n\r\n"
    "[TEVOCCL_INST]\r\nAddReg=TevoCCL_AddReg\r\n";
const char kDefaultTevoInf[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=TevoCCL.cat\r\n";
const char kCclInf[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=ccl.cat\r\n";
const char kAddRegSecondInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n"
    "[TEVOCCL_INST]\r\nAddReg=Other_AddReg\r\nAddReg=TEVOCCL_AddReg\r\n";

TEST(MiscPageTest, SollinVersionAndTarnServiceAreIndependent) {
  {
    Scenario s;
    s.WritePe(s.DriversDir() + u"Sollin.sys", FileVersion(3, 5, 0, 13));
    s.Apply();
    EXPECT_EQ(PagesNow(), GoldenPagesText({MiscPage("3.5.0.13", false, Tevo::None)}));
  }
  {
    Scenario s;
    s.CreateKey(kServices + u"Tarn_Service");
    s.Apply();
    EXPECT_EQ(PagesNow(), GoldenPagesText({MiscPage("", true, Tevo::None)}));
  }
}

TEST(MiscPageTest, TevoCclFromOemInfs) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char16_t*, const char*>> infs;
    Tevo expected;
  };
  const Case cases[] = {
      {"Tandrel's install section", {{u"oem4.inf", kTandrelInf}}, Tevo::Tandrel},
      {"catalog only", {{u"oem4.inf", kDefaultTevoInf}}, Tevo::Default},
      {"first search wins", {{u"oem1.inf", kDefaultTevoInf}, {u"oem2.inf", kTandrelInf}}, Tevo::Tandrel},
      {"CCL alone is not TevoCCL", {{u"oem1.inf", kCclInf}}, Tevo::None},
      {"only the first AddReg line counts", {{u"oem1.inf", kAddRegSecondInf}}, Tevo::None},
      {"precompiled and long names are not read",
       {{u"oem1.pnf", kTandrelInf}, {u"oem1000.inf", kTandrelInf}},
       Tevo::None},
      {"oemsetup.inf before the match ends the search",
       {{u"oemsetup.inf", "; setup\r\n"}, {u"oemz.inf", kTandrelInf}},
       Tevo::None},
      {"oemsetup.inf after the match", {{u"oemsetup.inf", "; setup\r\n"}, {u"oem7.inf", kTandrelInf}}, Tevo::Tandrel},
      {"no inf directory", {}, Tevo::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    for (const auto& inf : c.infs) s.WriteText(s.WindowsDir() + u"\\inf\\" + inf.first, inf.second);
    s.Apply();
    EXPECT_EQ(PagesNow(), GoldenPagesText({MiscPage("", false, c.expected)}));
  }
}

}  // namespace
