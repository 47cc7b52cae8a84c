// Reading SysInfo.log back from the golden reports, as written and as
// customers send them: in other encodings, appended to each other, cut short,
// edited by hand, or made of lines no report holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/fact_rows.h"
#include "model/json_output.h"
#include "model/report_reader.h"
#include "platform/codecs.h"
#include "platform/text.h"
#include "tests/scenario/report_golden.h"

namespace {

// A golden report as the program writes it: "\r\n" line ends, the operating
// system line of Windows Server 2003.
std::string Report(const char* golden) {
  std::string text;
  for (const char* c = golden; *c != 0; ++c) {
    if (*c == '\n') text += '\r';
    text += *c;
  }
  const std::size_t os = text.find("{OS}\r\n");
  text.replace(os, 6, "\r\nOperating System: \"Microsoft Windows 2003\"\r\n");
  return text;
}

std::string Utf16(const std::string& utf8) {
  const std::vector<std::uint8_t> bytes = codecs::EncodeUtf16Le(text::FromUtf8(utf8));
  return std::string(bytes.begin(), bytes.end());
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = 0;
  while ((at = text.find(from, at)) != std::string::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

std::string TrimLineEnds(const std::string& text) {
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + (end < text.size() ? "\r\n" : "");
    start = end + 2;
  }
  return out;
}

// The number of the line of `text` that holds `needle`.
int LineOf(const std::string& text, const std::string& needle) {
  const std::size_t at = text.find(needle);
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

const std::string k64 = Report(report_golden::kEveryDriver64);
const std::string k32 = Report(report_golden::kNothingInstalled32);
const std::string kCut = k64.substr(0, k64.find("CoalesceMsCnt=0"));  // inside the Emulex StorPort listing

struct Check {
  int report;  // 0 = the oldest
  const char* field;
  const char* value;  // as FactText shows it; "-" for a fact the report does not give
};

struct ReaderCase {
  const char* name;
  std::string bytes;
  std::vector<bool> complete;  // one per report read
  int firstUnreadableLine;     // 0: none
  std::vector<Check> checks;
};

const std::vector<Check> kEveryDriverFacts = {
    {0, "machine.os_code", "6"},
    {0, "machine.is_64bit", "true"},
    {0, "drivers[ELXSTOR.sys].version", "7.1.12.0"},
    {0, "drivers[lp6nds35.sys].version", "-"},
    {0, "drivers[ELXSTOR.sys].present", "-"},
    {0, "markers[Vardane64.exe].version", "1.0.0.7"},
    {0, "markers[VardaneES64.exe].version", "null"},
    {0, "adapters[Emulex StorPort].parameters.QueueDepth", "64"},
    {0, "adapters[Emulex StorPort].counts.NumFcpContext", "1024"},
    {0, "adapters[Emulex StorPort].configuration", "Unknown"},
    {0, "adapters[Zolvanta Driver].multipath", "transparent"},
    {0, "adapters[QLogic StorPort].reset_bus", "2"},
    {0, "adapters[QLogic StorPort].counts.MaximumSGList", "128"},
    {0, "inf_searches[version/CatalogFile/elxstor.CAT].files", "[\"oem13.inf\",\"oem14.inf\",\"oem15.inf\"]"},
    {0, "miscellaneous.tevoccl", "tandrel"},
    {0, "ovra.zolfcac_present", "false"},
};

std::vector<ReaderCase> Cases() {
  std::vector<ReaderCase> cases = {
      {"utf16le_as_written", Utf16(k64), {true}, 0, kEveryDriverFacts},
      {"utf16le_with_byte_order_mark", "\xFF\xFE" + Utf16(k64), {true}, 0, kEveryDriverFacts},
      {"utf8_with_byte_order_mark", "\xEF\xBB\xBF" + k64, {true}, 0, kEveryDriverFacts},
      {"utf8_without_mark", k64, {true}, 0, kEveryDriverFacts},
      {"trailing_blanks_trimmed", Utf16(TrimLineEnds(k64)), {true}, 0, kEveryDriverFacts},
      {"tabs_made_blanks", Replace(k64, "\t", "        "), {true}, 0, kEveryDriverFacts},
      {"appended_twice",
       Utf16(k32 + "\r\n\r\n" + k64),
       {true, true},
       0,
       {{0, "machine.is_64bit", "false"},
        {0, "drivers[ELXSTOR.sys].version", "null"},
        {0, "inf_searches[version/CatalogFile/TEVOCCL].files", "[]"},
        {1, "machine.is_64bit", "true"},
        {1, "drivers[ELXSTOR.sys].version", "7.1.12.0"}}},
      {"cut_in_a_listing",
       Utf16(kCut),
       {false},
       0,
       {{0, "drivers[Zolvanta.sys].version", "5.1.0.2"},
        {0, "adapters[Emulex ScsiPort].parameters.QueueDepth", "32"},
        {0, "drivers[ELXSTOR.sys].version", "7.1.12.0"},
        {0, "adapters[Emulex StorPort].parameters.QueueDepth", "-"},
        {0, "adapters[Emulex StorPort].parameters_read", "true"},  // its listing heading says so
        {0, "drivers[Sollin.sys].version", "-"}}},
      {"cut_inside_a_character", Utf16(kCut).substr(0, Utf16(kCut).size() - 1), {false}, 0, {}},
      {"cut_then_appended",
       Utf16(kCut + "\r\n\r\n" + k32),
       {false, true},
       0,
       {{0, "adapters[Emulex StorPort].parameters.QueueDepth", "-"}, {1, "drivers[ELXSTOR.sys].version", "null"}}},
      {"count_edited_by_hand",
       Utf16(Replace(k64, "NumFcpContext:           [1024]", "NumFcpContext:           [lots]")),
       {false},
       LineOf(k64, "NumFcpContext:"),
       {{0, "adapters[Emulex StorPort].counts.NumFcpContext", "-"},
        {0, "adapters[Emulex StorPort].parameters.QueueDepth", "64"},
        {0, "drivers[carnel.sys].version", "2.0.0.1"}}},
      {"overlong_line",
       Utf16(Replace(k64, "\r\n\r\nNumFcpContext", "\r\n" + std::string(5000, 'x') + "\r\nNumFcpContext")),
       {false},
       LineOf(k64, "NumFcpContext:") - 1,
       {{0, "adapters[Emulex StorPort].counts.NumFcpContext", "1024"}}},
      // Without it the report may come from Windows NT 4.0, whose Zolvanta driver
      // reads another key than the listing shows.
      {"no_operating_system_line",
       Utf16(Replace(k64, "\r\nOperating System: \"Microsoft Windows 2003\"\r\n", "")),
       {true},
       0,
       {{0, "machine.os_code", "-"},
        {0, "adapters[Zolvanta Driver].parameters.NodeTimeOut", "-"},
        {0, "adapters[Zolvanta Driver].multipath", "transparent"},
        {0, "adapters[Emulex StorPort].parameters.QueueDepth", "64"}}},
      {"not_a_report", "hello\r\nworld\r\n", {}, 1, {}},
      {"empty_file", "", {}, 0, {}},
  };
  std::string settings;
  for (int i = 0; i < 30; ++i) settings += "\tA" + std::to_string(i) + "=1                          B=2\r\n";
  cases.push_back({"longer_listing_than_any_report",
                   Utf16(Replace(k64, "\tQueueDepth=64                  CoalesceMsCnt=0\r\n", settings)),
                   {false},
                   LineOf(k64, "\tQueueDepth=64") + 25,
                   {{0, "adapters[Emulex StorPort].parameters.A0", "-"}}});
  return cases;
}

std::string Fact(const model::MachineFacts& facts, const std::string& field) {
  const model::Json doc = model::ToJson(facts);
  for (const model::FactRow& row : model::ListFacts(doc).rows) {
    if (row.field == field) return model::FactText(*row.value);
  }
  return "-";
}

TEST(ReportReader, ReadsWhatEachReportStates) {
  for (const ReaderCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const model::ReportFile file = model::ReadReports(c.bytes);
    ASSERT_EQ(file.reports.size(), c.complete.size());
    for (std::size_t i = 0; i < c.complete.size(); ++i) {
      EXPECT_EQ(file.reports[i].report->complete, c.complete[i]) << "report " << i + 1;
      EXPECT_EQ(file.reports[i].report->number, static_cast<int>(i) + 1);
      EXPECT_EQ(file.reports[i].report->count, static_cast<int>(c.complete.size()));
    }
    const bool allRead = c.firstUnreadableLine == 0 && std::count(c.complete.begin(), c.complete.end(), false) == 0 &&
                         !c.complete.empty();
    EXPECT_EQ(file.problems.empty(), allRead);
    EXPECT_EQ(file.firstUnreadableLine.value_or(0), c.firstUnreadableLine);
    for (const Check& check : c.checks)
      EXPECT_EQ(Fact(file.reports[check.report], check.field), check.value) << check.field;
  }
}

TEST(ReportReader, WrittenTimeAndPlaceOfEachReport) {
  const model::ReportFile file = model::ReadReports(Utf16(k32 + "\r\n\r\n" + k64));
  ASSERT_EQ(file.reports.size(), 2u);
  EXPECT_EQ(file.reports[0].report->firstLine, 1);
  EXPECT_EQ(file.reports[1].report->firstLine, 1 + static_cast<int>(std::count(k32.begin(), k32.end(), '\n')) + 2);
  EXPECT_EQ(*file.reports[1].report->written, "2026-12-08T09:05:03");
}

TEST(ReportReader, KeepsTheNewestReportsOfAHugeFile) {
  std::string many;
  const std::string header = Report(report_golden::kNothingInstalled32).substr(0, 260);
  for (int i = 0; i < model::kMaxReportsKept + 5; ++i) many += header.substr(0, header.find("Time:")) + "\r\n";
  const model::ReportFile file = model::ReadReports(many);
  EXPECT_EQ(file.reportsFound, model::kMaxReportsKept + 5);
  ASSERT_EQ(file.reports.size(), static_cast<std::size_t>(model::kMaxReportsKept));
  EXPECT_EQ(file.reports.back().report->number, model::kMaxReportsKept + 5);
  EXPECT_FALSE(file.problems.empty());
}

}  // namespace
