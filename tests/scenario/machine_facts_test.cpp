// The facts of whole scenario machines: --json checked against what each
// machine holds, and the machine's own SysInfo.log read back giving the same
// value for every fact a report carries. The native build also leaves each
// JSON output in <build>/machine-json/ for the schema check of tools/test-all.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/page_output.h"
#include "app/startup.h"
#include "model/fact_rows.h"
#include "model/json_output.h"
#include "model/report_reader.h"
#include "platform/os.h"
#include "probes/system_paths.h"
#include "report/system_report.h"
#include "tests/support/scenario.h"
#include "tests/support/test_machines.h"

namespace {

using testing_support::Scenario;

struct MachineCase {
  const char* name;
  void (*build)(Scenario&);
  bool needs32Bit;
  // Facts as FactText shows them; a fact the machine must not carry is "-".
  std::vector<std::pair<const char*, const char*>> expected;
  std::size_t minimumReportFacts;  // the report carries at least this many of them
};

void Nothing(Scenario&) {}

void PrintTo(const MachineCase& machine, std::ostream* out) { *out << machine.name; }

const MachineCase kMachines[] = {
    {"nothing_installed",
     Nothing,
     true,
     {{"drivers[ELXSTOR.sys].present", "false"},
      {"drivers[ELXSTOR.sys].version", "null"},
      {"adapters[Emulex StorPort].shown", "false"},
      {"adapters[Emulex StorPort].parameters_read", "false"},
      {"adapters[Emulex StorPort].configuration", "N/A"},
      {"adapters[Emulex StorPort].counts.NumFcpContext", "-"},
      {"inf_searches[version/CatalogFile/elxstor.CAT].files", "[]"},
      {"miscellaneous.tevoccl", "none"},
      {"miscellaneous.tarn_service", "false"},
      {"ovra.zolfcac_present", "false"}},
     20},
    {"every_driver_64bit",
     testing_support::EveryDriverMachine,
     false,
     {{"machine.is_64bit", "true"},
      {"drivers[ELXSTOR.sys].version", "7.1.12.0"},
      {"drivers[Sollin.sys].version", "3.6.2.465"},
      {"drivers[lp6nds35.sys].present", "false"},
      {"markers[Vardane64.exe].version", "1.0.0.7"},
      {"markers[Hestrel.exe].version", "2.0.0.0"},
      {"adapters[Zolvanta Driver].configuration", "Best Configured For Transparent"},
      {"adapters[Zolvanta Driver].marker_file", "Pellwyn64.exe"},
      {"adapters[Zolvanta Driver].counts.NumberOfRequests", "200"},
      {"adapters[Emulex ScsiPort].multipath", "single_path"},
      {"adapters[Emulex ScsiPort].counts.MaximumSGList", "129"},
      {"adapters[Emulex StorPort].driver_parameter", "QueueDepth=64; CoalesceMsCnt=0"},
      {"adapters[Emulex StorPort].parameters.QueueDepth", "64"},
      {"adapters[Emulex StorPort].parameters.CoalesceMsCnt", "0"},
      {"adapters[Emulex StorPort].counts.NumFcpContext", "1024"},
      {"adapters[Emulex StorPort].interrupt_coalescing", "false"},
      {"adapters[QLogic ScsiPort].parameters.Throttle", "32"},
      {"adapters[QLogic StorPort].reset_bus", "2"},
      {"adapters[QLogic StorPort].counts.MaximumSGList", "128"},
      {"adapters[QLogic StorPort].configuration", "All Modes Supported"},
      {"inf_searches[version/CatalogFile/elxstor.CAT].files", "[\"oem13.inf\",\"oem14.inf\",\"oem15.inf\"]"},
      {"inf_searches[version/CatalogFile/zolc8sw.CAT].files", "[\"oem21.inf\"]"},
      {"miscellaneous.tandrel_release", "Tandrel v4.0"},
      {"miscellaneous.tevoccl", "tandrel"}},
     85},
    {"all_pages_32bit",
     testing_support::AllPagesMachine,
     true,
     {{"machine.is_64bit", "false"},
      {"drivers[ql2300.sys].version", "7.1.12.0"},
      {"markers[Gallond.exe].version", "1.0.2.4"},
      {"adapters[Zolvanta Driver].parameters.NodeTimeout", "60"},
      {"adapters[Zolvanta Driver].counts.MaximumSGList", "129"},
      {"adapters[Emulex ScsiPort].parameters.linktimeout", "500"},
      {"adapters[Emulex ScsiPort].configuration", "Best Configured For Single Path"},
      {"adapters[Emulex ScsiPort].queue_depth", ""},
      {"adapters[Emulex StorPort].multipath", "multi_path"},
      {"adapters[Emulex StorPort].queue_depth", "20"},
      {"adapters[VEXA2300].execution_throttle", "32"},
      {"adapters[QLogic StorPort].parameters.throttle", "8"},
      {"adapters[QLogic StorPort].shown", "true"},
      {"miscellaneous.tarn_service", "true"},
      {"miscellaneous.tandrel_release", "Tandrel 3.1a (SP2 or SR1)"},
      {"inf_searches[TEVOCCL_INST/AddReg/TEVOCCL].files", "[\"oem3.inf\"]"}},
     80},
};

std::map<std::string, std::string> FactsByField(const model::Json& doc) {
  std::map<std::string, std::string> facts;
  for (const model::FactRow& row : model::ListFacts(doc).rows) facts[row.field] = model::FactText(*row.value);
  return facts;
}

std::string ReadReportFile(const Scenario& s) {
  const std::vector<std::uint8_t> bytes = s.ReadFile(s.MarkerDir() + u"SysInfo.log");
  return std::string(bytes.begin(), bytes.end());
}

void WriteReport(Scenario& s) {
  const std::u16string path = s.MarkerDir() + u"SysInfo.log";
  if (s.Exists(path)) s.Remove(path);
  report::ReportOptions options;
  options.openViewer = false;
  options.localTime = [] {
    os::SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 8;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 3;
    return t;
  };
  ASSERT_TRUE(report::WriteSystemReport(options).complete);
}

void KeepForSchemaCheck(const std::string& name, const std::string& json) {
  if (Scenario::IsWine()) return;
  const std::string folder = std::string(QUILLON_BINARY_DIR) + "/machine-json";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/" + name + ".json", std::ios::binary) << json;
}

class MachineFactsTest : public ::testing::TestWithParam<MachineCase> {};

TEST_P(MachineFactsTest, JsonHoldsTheMachineAndItsReportGivesTheSameFacts) {
  const MachineCase& machine = GetParam();
  Scenario s;
  machine.build(s);
  s.Apply();
  if (machine.needs32Bit && Is64BitWindows()) GTEST_SKIP() << "this system counts as 64-bit Windows";

  const std::string json = app::MachineAsJson(app::StartupPages().SheetPages());
  KeepForSchemaCheck(machine.name, json);
  const model::Json live = model::Json::parse(json);
  const std::map<std::string, std::string> facts = FactsByField(live);
  for (const auto& [field, value] : machine.expected) {
    auto found = facts.find(field);
    EXPECT_EQ(found == facts.end() ? std::string("-") : found->second, value) << field;
  }
  ASSERT_TRUE(live.contains("pages"));

  WriteReport(s);
  const model::ReportFile file = model::ReadReports(ReadReportFile(s));
  EXPECT_TRUE(file.problems.empty()) << file.problems.front();
  ASSERT_EQ(file.reports.size(), 1u);
  EXPECT_TRUE(file.reports[0].report->complete);
  const model::Json read = model::ToJson(file.reports[0]);
  KeepForSchemaCheck(std::string(machine.name) + ".report", model::DumpJson(model::Json::array({read})));
  const std::map<std::string, std::string> reported = FactsByField(read);
  for (const auto& [field, value] : reported) {
    auto found = facts.find(field);
    EXPECT_TRUE(found != facts.end() && found->second == value)
        << field << ": the report gives " << value << ", the machine "
        << (found == facts.end() ? std::string("nothing") : found->second);
  }
  EXPECT_GE(reported.size(), machine.minimumReportFacts);
}

INSTANTIATE_TEST_SUITE_P(Machines, MachineFactsTest, ::testing::ValuesIn(kMachines),
                         [](const ::testing::TestParamInfo<MachineCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
