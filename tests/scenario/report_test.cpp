// SysInfo.log on small test machines: whole reports against golden texts, each
// section's branches, the overwrite question, the time stamp and the failures
// that must not pass as a written report.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/text.h"
#include "probes/system_paths.h"
#include "report/system_report.h"
#include "tests/scenario/report_golden.h"
#include "tests/support/scenario.h"
#include "tests/support/test_machines.h"

namespace {

using testing_support::EveryDriverMachine;
using testing_support::Scenario;
using tools::FileVersion;

const char16_t kServices[] = u"SYSTEM\\CurrentControlSet\\Services\\";

os::SYSTEMTIME NineOFiveAndThree() {
  os::SYSTEMTIME t{};
  t.wYear = 2026;
  t.wMonth = 12;
  t.wDay = 8;
  t.wHour = 9;
  t.wMinute = 5;
  t.wSecond = 3;
  return t;
}

std::string Crlf(std::string_view golden) {
  std::string out;
  for (char c : golden) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string FromUtf16Le(const std::vector<std::uint8_t>& bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  return text::ToUtf8(units);
}

std::vector<std::uint8_t> ToUtf16Le(std::string_view utf8) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text::FromUtf8(utf8)) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

// The operating-system piece expected for the Windows version the machine reports.
std::string ExpectedOsPiece() {
  os::OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  os::GetVersionExW(&info);
  if (info.dwMajorVersion == 5 && (info.dwMinorVersion == 1 || info.dwMinorVersion == 2)) {
    return "\r\nOperating System: \"Microsoft Windows 2003\"\r\n";
  }
  if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) {
    return "\r\nOperating System: \"Microsoft Windows 2000\"\r\n";
  }
  return "";
}

std::string Golden(std::string_view golden) {
  std::string text = Crlf(golden);
  std::size_t at = text.find("{OS}\r\n");
  if (at != std::string::npos) text.replace(at, 6, ExpectedOsPiece());
  return text;
}

// The part of a report from a section's title to the start of the next frame.
std::string Section(const std::string& report, const std::string& title) {
  std::size_t begin = report.find("* " + title + " *");
  if (begin == std::string::npos) return "<no section " + title + ">";
  std::size_t end = report.find("\r\n\r\n\r\n---", begin);
  return report.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

void WriteInf(Scenario& s, const std::u16string& name, const std::string& body) {
  s.WriteText(s.WindowsDir() + u"\\inf\\" + name, "[Version]\r\nSignature=\"$Windows NT$\"\r\n" + body);
}

void WriteCatalogInf(Scenario& s, const std::u16string& name, const std::string& catalog) {
  WriteInf(s, name, "CatalogFile=" + catalog + "\r\n");
}

class ReportTest : public ::testing::Test {
 protected:
  // Under Wine the machine is shared between cases: start without an earlier report.
  void SetUp() override {
    if (s.Exists(ReportPath())) s.Remove(ReportPath());
  }

  std::u16string ReportPath() const { return s.MarkerDir() + u"SysInfo.log"; }

  // Writes the report as the YES answer would (no viewer), answering the
  // overwrite question with `overwrite` and counting how often it was asked.
  report::ReportOutcome Run(bool overwrite = true) {
    s.Apply();
    report::ReportOptions options;
    options.askOverwrite = [this, overwrite] {
      ++questions;
      return overwrite;
    };
    options.localTime = NineOFiveAndThree;
    options.openViewer = false;
    return report::WriteSystemReport(options);
  }

  std::string Report() const { return FromUtf16Le(s.ReadFile(ReportPath())); }

  bool Is64Bit() {
    s.Apply();
    return Is64BitWindows() != 0;
  }

  void Driver(const std::u16string& file, const tools::VersionSpec& version) {
    s.WritePe(s.DriversDir() + file, version);
  }

  std::u16string ParameterKey(const std::u16string& service) const {
    return kServices + service + u"\\Parameters\\Device";
  }

  Scenario s;
  int questions = 0;
};

TEST_F(ReportTest, NothingInstalledGivesEveryNotFoundLine) {
  if (Is64Bit()) GTEST_SKIP() << "this machine counts as 64-bit Windows (a 64-bit Wine prefix)";
  report::ReportOutcome outcome = Run();
  EXPECT_TRUE(outcome.complete);
  EXPECT_EQ(outcome.path, ReportPath());
  EXPECT_EQ(questions, 0) << "no report yet: nothing to ask";
  EXPECT_EQ(Report(), Golden(report_golden::kNothingInstalled32));
  // No byte-order mark: the file starts with the first asterisk.
  std::vector<std::uint8_t> bytes = s.ReadFile(ReportPath());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0x2A);
  EXPECT_EQ(bytes[1], 0x00);
}

TEST_F(ReportTest, EveryDriverPresentOn64BitWindows) {
  EveryDriverMachine(s);
  report::ReportOutcome outcome = Run();
  EXPECT_TRUE(outcome.complete);
  EXPECT_EQ(Report(), Golden(report_golden::kEveryDriver64));
}

TEST_F(ReportTest, ThirtyTwoBitMarkersFound) {
  if (Is64Bit()) GTEST_SKIP() << "this machine counts as 64-bit Windows (a 64-bit Wine prefix)";
  s.WritePe(s.MarkerDir() + u"Gallond.exe", FileVersion(4, 3, 2, 1));
  s.WritePe(s.MarkerDir() + u"Quillon.exe", FileVersion(1, 2, 0, 0));
  s.WritePe(s.MarkerDir() + u"Quillon64.exe", FileVersion(9, 9, 9, 9));
  Run();
  std::string report = Report();
  EXPECT_NE(report.find("\r\nGallond.exe:                     Version \"4.3.2.1\" of the version file was found. "
                        "\r\nMorrisk.exe Version:"),
            std::string::npos);
  EXPECT_NE(report.find("\r\nQuillon.exe:                Version \"1.2.0.0\" of the version file was found. "),
            std::string::npos);
  EXPECT_EQ(report.find("Quillon64"), std::string::npos);
  EXPECT_NE(report.find("\r\n\r\nDefault TevoCCL Inf(s) Found: \r\n"), std::string::npos);
}

TEST_F(ReportTest, VexaWithUnreadableParametersShowsOnlyItsVersion) {
  Driver(u"vexa2300.sys", FileVersion(9, 1, 2, 3));
  s.SetDword(ParameterKey(u"vexa2300"), u"MaximumSGList", 70);  // key present, no DriverParameter
  WriteCatalogInf(s, u"oem30.inf", "ql2300.cat");
  Run();
  EXPECT_EQ(Section(Report(), "vexa2300 Section"),
            "* vexa2300 Section *\r\n------------------\r\n"
            "\r\nvexa2300.sys:                         Version \"9.1.2.3\" of the driver was found. \r\n");
}

TEST_F(ReportTest, QlogicSectionWithParametersButNoDriverFileHoldsOnlyItsFrame) {
  s.SetString(ParameterKey(u"ql2300"), u"DriverParameters", u"Throttle=32");
  Run();
  std::string report = Report();
  EXPECT_EQ(Section(report, "Qlogic ScsiPort Section"),
            "* Qlogic ScsiPort Section *\r\n---------------------------\r\n");
  // StorPort reads DriverParameter, which this key lacks.
  EXPECT_EQ(Section(report, "Qlogic StorPort Section"),
            "* Qlogic StorPort Section *\r\n---------------------------\r\n"
            "\r\nQlogic StorPort:                    --- No Version of the Qlogic StorPort Driver Found ---\r\n");
}

TEST_F(ReportTest, VexaInfsAreFoundByTheQl2300Catalog) {
  Driver(u"vexa2300.sys", FileVersion(9, 1, 2, 3));
  s.SetString(ParameterKey(u"vexa2300"), u"DriverParameter", u"A=1;B=2;C=3");
  WriteCatalogInf(s, u"oem31.inf", "vexa2300.cat");
  WriteCatalogInf(s, u"oem32.inf", "QL2300.CAT");
  Run();
  std::string section = Section(Report(), "vexa2300 Section");
  EXPECT_NE(section.find("\r\n\tA=1                           B=2\r\n\tC=3                           \r\n"),
            std::string::npos)
      << section;
  EXPECT_NE(section.find("vexa2300 Inf(s) Found: \r\n\r\n\toem32.inf                     \r\n"), std::string::npos)
      << section;
  EXPECT_EQ(section.find("oem31"), std::string::npos) << section;
}

TEST_F(ReportTest, NoMatchingInfSkipsTheCompanion) {
  Driver(u"Zolvanta.sys", FileVersion(5, 1, 0, 2));
  WriteCatalogInf(s, u"oem40.inf", "Lpsimdev.cat");
  Run();
  std::string section = Section(Report(), "ZOLVANTA Section");
  EXPECT_NE(section.find("\r\n\r\n\r\nZolvanta Inf(s) Found: \r\n\r\n\t- Driver is not loaded for this device - "
                         "\r\n\r\n\r\nMaximumSGList"),
            std::string::npos)
      << section;
  EXPECT_EQ(section.find("Lpsimdev"), std::string::npos) << section;
}

TEST_F(ReportTest, TandrelVersionTable) {
  struct Case {
    tools::VersionSpec version;
    const char* piece;
  };
  const Case cases[] = {
      {FileVersion(3, 5, 0, 120), "Tandrel 3.1a (Possible SP1)"},  // substring of 3.5.0.12, first match wins
      {FileVersion(3, 5, 0, 13), "Tandrel 3.1a (SP2 or SR1)"},
      {FileVersion(3, 5, 20, 8), "Tandrel 3.1B (OVRA1000)"},
      {FileVersion(3, 2, 0, 17), "Tandrel 3.1A (Possible SP1 for 4xxx)"},
      {FileVersion(3, 5, 0, 19), "Tandrel 3.1A (SP3)"},
      {FileVersion(3, 6, 2, 465), "Tandrel v4.0"},
      {FileVersion(3, 6, 2, 467), "Tandrel 4.0 (SP1)"},
      {FileVersion(3, 6, 3, 1), "Tandrel 4.0(SP1 or greater)"},
      {FileVersion(4, 0, 0, 0), "Tandrel 4.0(SP1 or greater)"},
      {FileVersion(3, 6, 2, 400), "Tandrel 3.1a or older."},
      {FileVersion(1, 0, 0, 0), "Tandrel 3.1a or older."},
  };
  for (const Case& c : cases) {
    Driver(u"Sollin.sys", c.version);
    Run();
    std::string section = Section(Report(), "Tandrel Section");
    std::string expected = std::string("\r\nTandrel Version:                ") + c.piece;
    ASSERT_GE(section.size(), expected.size()) << section;
    EXPECT_EQ(section.substr(section.size() - expected.size()), expected) << section;
  }
}

TEST_F(ReportTest, OverwriteYesStartsAfreshAndNoKeepsTheOldBytes) {
  Run();
  const std::vector<std::uint8_t> fresh = s.ReadFile(ReportPath());
  ASSERT_FALSE(fresh.empty());

  // An old report whose last byte is odd-aligned must stay byte for byte.
  std::vector<std::uint8_t> old = ToUtf16Le("older report text");
  old.push_back(0x7F);
  s.WriteFile(ReportPath(), old);
  questions = 0;
  EXPECT_TRUE(Run(false).complete);
  EXPECT_EQ(questions, 1);
  std::vector<std::uint8_t> appended = s.ReadFile(ReportPath());
  std::vector<std::uint8_t> expected = old;
  std::vector<std::uint8_t> separator = ToUtf16Le("\r\n\r\n");
  expected.insert(expected.end(), separator.begin(), separator.end());
  expected.insert(expected.end(), fresh.begin(), fresh.end());
  EXPECT_EQ(appended, expected);

  questions = 0;
  EXPECT_TRUE(Run(true).complete);
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(s.ReadFile(ReportPath()), fresh);
}

TEST_F(ReportTest, OperatingSystemLine) {
  if (!s.CanSetOsVersion()) GTEST_SKIP() << "the Windows version cannot be changed per test here";
  struct Case {
    unsigned major, minor;
    const char* line;  // null: no line
  };
  const Case cases[] = {
      {5, 1, "\r\nOperating System: \"Microsoft Windows 2003\"\r\n"},
      {5, 2, "\r\nOperating System: \"Microsoft Windows 2003\"\r\n"},
      {5, 0, "\r\nOperating System: \"Microsoft Windows 2000\"\r\n"},
      {4, 0, nullptr},
      {6, 0, nullptr},
  };
  for (const Case& c : cases) {
    s.SetOsVersion(c.major, c.minor);
    Run();
    std::string report = Report();
    const std::string header_end = std::string(104, '*') + "\r\n";
    std::size_t at = report.find(header_end, 104);
    ASSERT_NE(at, std::string::npos);
    std::string after = report.substr(at + header_end.size());
    std::string expected = std::string(c.line ? c.line : "") + "\r\n-------------------------------------";
    EXPECT_EQ(after.substr(0, expected.size()), expected) << c.major << "." << c.minor;
  }
}

TEST_F(ReportTest, NtFourReadsTheLp6nds35Key) {
  if (!s.CanSetOsVersion()) GTEST_SKIP() << "the Windows version cannot be changed per test here";
  s.SetOsVersion(4, 0);
  Driver(u"Zolvanta.sys", FileVersion(5, 1, 0, 2));
  s.SetString(ParameterKey(u"Lp6nds35"), u"DriverParameter", u"NodeTimeOut=60");
  s.SetDword(ParameterKey(u"Lp6nds35"), u"NumberOfRequests", 77);
  s.SetDword(ParameterKey(u"ZOLVANTA"), u"NumberOfRequests", 88);
  Run();
  std::string section = Section(Report(), "ZOLVANTA Section");
  EXPECT_NE(section.find("NumberOfRequests:        [77] \r\n"), std::string::npos) << section;
  EXPECT_NE(section.find("* Best Configured for a Transparent Environment *"), std::string::npos) << section;
}

// The QLogic family's scatter-gather line shows MaximumSGList as set in the
// driver's key, or the drivers' own default of 65 when the key sets none.
TEST_F(ReportTest, QlogicScatterGatherLine) {
  Driver(u"ql2300.sys", FileVersion(9, 1, 4, 10));
  s.SetString(ParameterKey(u"ql2300"), u"DriverParameter", u"RstBus=1");
  s.SetDword(ParameterKey(u"ql2300"), u"NumberOfRequests", 300);
  Run();
  EXPECT_NE(Section(Report(), "Qlogic StorPort Section")
                .find("ResetBus:                [1] \r\nMaximumSGList:           [65] \r\n"
                      "NumberOfRequests:        [300] \r\n"),
            std::string::npos);

  s.SetDword(ParameterKey(u"ql2300"), u"MaximumSGList", 255);
  Run();
  EXPECT_NE(Section(Report(), "Qlogic StorPort Section").find("MaximumSGList:           [255] \r\n"),
            std::string::npos);
}

// A present driver whose setting text is missing still gets its block: the
// counts the key holds, else the reader's defaults, and nothing classified.
TEST_F(ReportTest, DetailsWithoutSettingText) {
  Driver(u"lpxnds.sys", FileVersion(6, 0, 1, 1));
  Driver(u"ELXSTOR.sys", FileVersion(7, 1, 12, 0));
  s.SetDword(ParameterKey(u"Lpxnds"), u"MaximumSGList", 64);
  Run();
  std::string report = Report();
  std::string lpx = Section(report, "Emulex ScsiPort Section");
  EXPECT_NE(lpx.find("Lpxnds Inf(s) Found: \r\n\r\n\t- Driver is not loaded for this device - \r\n\r\n"
                     "\r\nMaximumSGList:           [64] \r\nNumberOfRequests:        [150] \r\n"
                     "Interrupt Coalescing:    * Disabled *\r\n\r\n"
                     "\r\n\r\n\r\nConfiguration Type:      * Not Available * \r\n\r\n"),
            std::string::npos)
      << lpx;
  EXPECT_EQ(lpx.find("Registry Parameters"), std::string::npos) << lpx;
  std::string elx = Section(report, "Emulex StorPort Section");
  EXPECT_NE(elx.find("\r\nNumFcpContext:           [512] \r\n\r\nInterrupt Coalescing:    * Disabled *\r\n\r\n"),
            std::string::npos)
      << elx;
}

TEST_F(ReportTest, ZolfcacFoundAndListed) {
  s.WriteText(s.DriversDir() + u"zolfcac.sys", "not a PE file");
  s.SetString(ParameterKey(u"zolfcac"), u"DriverParameter", u"X=1");
  Run();
  std::string ovra = Section(Report(), "OVRA Section");
  EXPECT_NE(ovra.find("\r\nZolfcac Driver:                    --- Zolfcac.sys found on system ---\r\n"
                      "\r\n\r\nRegistry Parameters for  zolfcac Driver:\r\n\r\n\tX=1"),
            std::string::npos)
      << ovra;
}

TEST(CompareVersions, ComponentsCompareAsNumbers) {
  EXPECT_EQ(report::CompareVersions(u"3.6.2.467", u"3.6.3.1"), 1);
  EXPECT_EQ(report::CompareVersions(u"3.6.2.467", u"3.6.2.400"), 2);
  EXPECT_EQ(report::CompareVersions(u"3.6.2.467", u"3.6.2.467"), 3);
  EXPECT_EQ(report::CompareVersions(u"3.6.2.467", u"3.6.2.0467"), 3);
  EXPECT_EQ(report::CompareVersions(u"3.10.0.0", u"3.9.0.0"), 2);
  EXPECT_EQ(report::CompareVersions(u"1.2.3.4x", u"1.2.3.4"), 3);  // trailing non-digits ignored
  EXPECT_EQ(report::CompareVersions(nullptr, u"1.0.0.0"), 0);
  EXPECT_EQ(report::CompareVersions(u"1.0.0.0", u""), 0);
  // Missing components count as 0.
  EXPECT_EQ(report::CompareVersions(u"3.6", u"3.6.0.0"), 3);
  EXPECT_EQ(report::CompareVersions(u"3.6", u"3.6.0.1"), 1);
  EXPECT_EQ(report::CompareVersions(u"3.6.0.1", u"3"), 2);
  EXPECT_EQ(report::CompareVersions(u"65536.0.0.0", u"4294967295.0.0.0"), 1);
}

// A report that cannot be written must not pass as written.
TEST_F(ReportTest, UnwritableReportIsNotComplete) {
  if (Scenario::IsWine()) GTEST_SKIP() << "under Wine the Halvorn folder written by earlier cases outlives them";
  // A file where the Halvorn folder should be: no folder, no report.
  s.WriteText(s.MarkerDir().substr(0, 3) + u"Halvorn", "keep me");
  report::ReportOutcome outcome = Run();
  EXPECT_FALSE(outcome.complete);
  std::vector<std::uint8_t> kept = s.ReadFile(s.MarkerDir().substr(0, 3) + u"Halvorn");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
}

TEST_F(ReportTest, ReportPathThatIsAFolderIsNotComplete) {
  s.MakeDir(ReportPath());
  questions = 0;
  report::ReportOutcome outcome = Run();
  EXPECT_FALSE(outcome.complete);
  EXPECT_TRUE(s.Exists(ReportPath()));
}

}  // namespace
