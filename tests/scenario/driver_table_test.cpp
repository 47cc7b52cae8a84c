// The driver table's rows against the probes, the pages and the report: each
// row's fields are the ones the lookups fill, and each row alone on a machine
// is the one page and the one report section it names.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/startup.h"
#include "pages/adapter_presence.h"
#include "pages/page_templates.h"
#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/system_paths.h"
#include "report/system_report.h"
#include "tests/support/scenario.h"

namespace {

using testing_support::Scenario;
using tools::FileVersion;

// What the pages and the report call each driver, written down apart from the
// table, in tab order.
struct Expected {
  int index;
  DriverFamily family;
  const char16_t* driverFile;
  const char* caption;  // the page's tab
  const char* section;  // the report's section title
};

const Expected kExpected[] = {
    {driver_index::kZolvanta, DriverFamily::kEmulex, u"Zolvanta.sys", "Zolvanta Driver", "* ZOLVANTA Section *"},
    {driver_index::kLpxnds, DriverFamily::kEmulex, u"lpxnds.sys", "Emulex ScsiPort", "* Emulex ScsiPort Section *"},
    {driver_index::kElxStor, DriverFamily::kEmulex, u"ELXSTOR.sys", "Emulex StorPort", "* Emulex StorPort Section *"},
    {driver_index::kVexa2300, DriverFamily::kQLogic, u"vexa2300.sys", "VEXA2300", "* vexa2300 Section *"},
    {driver_index::kQlScsiPort, DriverFamily::kQLogic, u"ql2300.sys", "QLogic ScsiPort", "* Qlogic ScsiPort Section *"},
    {driver_index::kQlStorPort, DriverFamily::kQLogic, u"ql2300.sys", "QLogic StorPort", "* Qlogic StorPort Section *"},
};

std::string Utf8(const char16_t* s) { return text::ToUtf8(s); }

TEST(DriverTableTest, RowsAreDistinctInTabOrderAndOfTheirFamily) {
  ASSERT_EQ(std::size(kAdapterDrivers), std::size(kExpected));
  for (std::size_t i = 0; i < std::size(kAdapterDrivers); ++i) {
    const AdapterDriver& row = kAdapterDrivers[i];
    SCOPED_TRACE(row.index);
    EXPECT_EQ(row.index, kExpected[i].index);
    EXPECT_EQ(row.family, kExpected[i].family);
    EXPECT_EQ(FindAdapterDriver(row.index), &row);
    const pages::PageTemplate* page = pages::FindPageTemplate(row.pageTemplate);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Utf8(page->caption), kExpected[i].caption);
    EXPECT_NE(pages::PresenceFlag(row.index), nullptr);
    // The report's listing opens the key the reader opens, spelt its own way.
    EXPECT_TRUE(text::EqualsNoCaseAZ(row.listing.name, row.registry.serviceKey));
    for (std::size_t j = 0; j < i; ++j) {
      const AdapterDriver& other = kAdapterDrivers[j];
      EXPECT_NE(other.index, row.index);
      EXPECT_NE(other.pageTemplate, row.pageTemplate);
      EXPECT_NE(pages::PresenceFlag(other.index), pages::PresenceFlag(row.index));
      // Two drivers may share a key (ql2300), never its settings value.
      EXPECT_FALSE(text::EqualsNoCaseAZ(other.registry.serviceKey, row.registry.serviceKey) &&
                   text::EqualsNoCaseAZ(other.registry.settingsValue, row.registry.settingsValue))
          << Utf8(row.registry.serviceKey);
    }
  }
  EXPECT_EQ(FindAdapterDriver(3), nullptr);
}

// Each marker and driver file a row names is the one that fills the row's field.
TEST(DriverTableTest, MarkerAndDriverFilesFillTheRowsFields) {
  Scenario s;
  std::vector<std::pair<MarkerFile, std::string>> markerFiles;
  for (const AdapterDriver& row : kAdapterDrivers) {
    for (const MarkerFile& marker : {row.markers.on32, row.markers.on64}) {
      if (marker.fileName == nullptr) continue;
      const std::uint16_t n = static_cast<std::uint16_t>(markerFiles.size() + 1);
      s.WritePe(s.MarkerDir() + marker.fileName, FileVersion(1, 0, 0, n));
      markerFiles.push_back({marker, "1.0.0." + std::to_string(n)});
    }
  }
  std::map<std::u16string, std::string> driverFiles;  // both ql2300 rows name one file
  for (const Expected& expected : kExpected) {
    const std::uint16_t n = static_cast<std::uint16_t>(driverFiles.size() + 1);
    if (driverFiles.count(expected.driverFile) != 0) continue;
    s.WritePe(s.DriversDir() + expected.driverFile, FileVersion(2, 0, 0, n));
    driverFiles[expected.driverFile] = "2.0.0." + std::to_string(n);
  }
  s.Apply();

  CSystemProbe probe;
  MarkerVersions markers{};
  probe.GetMarkerVersions(markers);
  for (const auto& [marker, version] : markerFiles) {
    EXPECT_EQ(Utf8(markers.*marker.field), version) << Utf8(marker.fileName);
  }
  DriverVersions drivers{};
  probe.GetDriverVersions(drivers);
  for (std::size_t i = 0; i < std::size(kExpected); ++i) {
    EXPECT_EQ(Utf8(drivers.*kAdapterDrivers[i].driverFile), driverFiles[kExpected[i].driverFile])
        << kAdapterDrivers[i].index;
  }
}

std::string ReportNow(Scenario& s) {
  report::ReportOptions options;
  options.askOverwrite = [] { return true; };
  options.localTime = [] { return os::SYSTEMTIME{}; };
  options.openViewer = false;
  report::WriteSystemReport(options);
  const std::vector<std::uint8_t> bytes = s.ReadFile(s.MarkerDir() + u"SysInfo.log");
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  return text::ToUtf8(units);
}

std::size_t Count(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
  return n;
}

std::string PageText(const app::SheetPage& page) {
  std::string all;
  for (const pages::ControlText& control : page.texts) all += text::ToUtf8(control.text) + "\n";
  return all;
}

// A machine with one driver: its file, its settings value where its row says,
// its package's markers and the INF files of its catalog and companion.
TEST(DriverTableTest, EachRowAloneIsTheOnePageAndSectionItNames) {
  for (std::size_t i = 0; i < std::size(kAdapterDrivers); ++i) {
    const AdapterDriver& row = kAdapterDrivers[i];
    SCOPED_TRACE(row.index);
    Scenario s;
    s.WritePe(s.DriversDir() + kExpected[i].driverFile, FileVersion(5, 30, 1, 7));
    s.SetString(
        u"SYSTEM\\CurrentControlSet\\Services\\" + std::u16string(row.registry.serviceKey) + u"\\Parameters\\Device",
        row.registry.settingsValue, u"QueueDepth=8;Throttle=8");
    s.WritePe(s.MarkerDir() + row.markers.on32.fileName, FileVersion(2, 0, 0, 1));
    if (row.markers.on64.fileName != nullptr) {
      s.WritePe(s.MarkerDir() + row.markers.on64.fileName, FileVersion(2, 0, 0, 1));
    }
    const std::u16string catalog =
        row.listing.catalog != nullptr ? row.listing.catalog : std::u16string(row.listing.name) + u".CAT";
    s.WriteText(s.WindowsDir() + u"\\inf\\oem50.inf",
                "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=" + text::ToUtf8(catalog) + "\r\n");
    const std::string companion = Utf8(row.listing.companion);
    if (!companion.empty()) {
      s.WriteText(s.WindowsDir() + u"\\inf\\oem51.inf",
                  "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=" + companion + ".cat\r\n");
    }
    s.Apply();

    pages::AdapterPresence presence{};
    pages::DetectAdapters(presence);
    for (const AdapterDriver& other : kAdapterDrivers) {
      EXPECT_EQ(presence.*pages::PresenceFlag(other.index), other.index == row.index ? 1 : 0) << other.index;
    }

    const std::vector<app::SheetPage> sheet = app::StartupPages().SheetPages();
    ASSERT_EQ(sheet.size(), 2u);
    EXPECT_EQ(sheet[0].templateId, row.pageTemplate);
    const std::string page = PageText(sheet[0]);
    const MarkerFile& marker =
        row.markers.on64.fileName != nullptr && Is64BitWindows() != 0 ? row.markers.on64 : row.markers.on32;
    EXPECT_NE(page.find("--- " + Utf8(marker.fileName) + " v2.0.0.1 ---"), std::string::npos) << page;
    EXPECT_NE(page.find("--- v5.30.1.7 ---"), std::string::npos) << page;
    EXPECT_EQ(page.find("All Modes Supported") != std::string::npos, row.family == DriverFamily::kQLogic) << page;
    EXPECT_EQ(page.find("NumFcpContext") != std::string::npos, row.counts == DriverCounts::kFcpContexts) << page;

    const std::string report = ReportNow(s);
    const std::string found = "Version \"5.30.1.7\" of the driver was found.";
    ASSERT_EQ(Count(report, found), 1u) << report;
    const std::size_t begin = report.find(kExpected[i].section);
    const std::size_t end = report.find("\r\n\r\n\r\n---", begin);
    ASSERT_NE(begin, std::string::npos);
    const std::string section = report.substr(begin, end - begin);
    const std::string name = Utf8(row.listing.name);
    EXPECT_NE(section.find(found), std::string::npos) << section;
    EXPECT_NE(section.find("Registry Parameters for  " + name + " Driver:"), std::string::npos) << section;
    EXPECT_NE(section.find(name + " Inf(s) Found: \r\n\r\n\toem50.inf"), std::string::npos) << section;
    EXPECT_EQ(section.find(companion + " Inf(s) Found: \r\n\r\n\toem51.inf") != std::string::npos, !companion.empty())
        << section;
    EXPECT_EQ(section.find("NumFcpContext:") != std::string::npos, row.counts == DriverCounts::kFcpContexts);
    EXPECT_EQ(section.find("* All Modes Supported *") != std::string::npos, row.family == DriverFamily::kQLogic);
  }
}

}  // namespace
