// Comparing two machines' facts: what counts as a difference, what is left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/diff.h"

namespace {

using model::Json;

Json Machine(const std::string& elxstor, int queueDepth) {
  return Json::parse(R"({
    "schema_version": "1.0",
    "machine": {"os_version": "5.2", "os_code": 6},
    "drivers": [{"file": "ELXSTOR.sys", "present": true, "version": ")" +
                     elxstor + R"("},
                {"file": "ql2300.sys", "present": false, "version": null}],
    "markers": [{"file": "Vardane.exe", "present": true, "version": "1.0.2.4"}],
    "adapters": [{"index": 4, "name": "Emulex StorPort", "family": "emulex", "driver_file": "ELXSTOR.sys",
                  "parameter_value": "DriverParameter", "shown": true, "parameters_read": true,
                  "driver_parameter": "QueueDepth=)" +
                     std::to_string(queueDepth) + R"(;LinkTimeOut=40",
                  "parameters": {"QueueDepth": )" +
                     std::to_string(queueDepth) + R"(, "LinkTimeOut": 40},
                  "counts": {"NumFcpContext": 1024}, "configuration": "Unknown", "multipath": "none",
                  "queue_depth": ")" +
                     std::to_string(queueDepth) + R"("}],
    "inf_searches": [{"id": "version/CatalogFile/elxstor.CAT", "match": "elxstor.CAT", "section": "version",
                      "key": "CatalogFile", "files": ["oem0.inf"]}],
    "miscellaneous": {"tarn_service": true},
    "ovra": {"zolfcac_present": false}
  })");
}

// As a report gives it: no file presence, no OS version text, no Tarn_Service.
Json AsReport(Json doc) {
  doc["machine"].erase("os_version");
  for (Json& file : doc["drivers"]) file.erase("present");
  for (Json& file : doc["markers"]) file.erase("present");
  doc["adapters"][0].erase("driver_parameter");
  doc["miscellaneous"].erase("tarn_service");
  return doc;
}

struct DiffCase {
  const char* name;
  Json a;
  Json b;
  std::vector<std::string> differences;
  std::vector<std::string> leftOut;  // field and side: "machine.os_version a"
};

std::vector<DiffCase> Cases() {
  Json withoutLink = Machine("7.1.12.0", 32);
  withoutLink["adapters"][0]["parameters"].erase("LinkTimeOut");
  Json withoutParameters = Machine("7.1.12.0", 32);
  withoutParameters["adapters"][0].erase("parameters");
  return {
      {"itself", Machine("7.1.12.0", 32), Machine("7.1.12.0", 32), {}, {}},
      {"one_parameter_and_one_driver_version",
       Machine("7.1.12.0", 32),
       Machine("7.1.14.0", 64),
       {"drivers[ELXSTOR.sys].version", "adapters[Emulex StorPort].parameters.QueueDepth"},
       {}},
      {"a_report_of_the_same_machine",
       Machine("7.1.12.0", 32),
       AsReport(Machine("7.1.12.0", 32)),
       {},
       {"machine.os_version a", "drivers[*].present a", "markers[*].present a", "miscellaneous.tarn_service a"}},
      {"a_setting_removed",
       Machine("7.1.12.0", 32),
       withoutLink,
       {"adapters[Emulex StorPort].parameters.LinkTimeOut"},
       {}},
      {"settings_not_carried", Machine("7.1.12.0", 32), withoutParameters, {}, {"adapters[*].parameters.* a"}},
  };
}

TEST(Diff, ComparesWhatBothSidesCarry) {
  for (const DiffCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const model::DiffResult result = model::CompareFacts(c.a, c.b);
    std::vector<std::string> differences;
    for (const model::Difference& d : result.differences) differences.push_back(d.field);
    EXPECT_EQ(differences, c.differences);
    std::vector<std::string> leftOut;
    for (const model::LeftOut& l : result.leftOut) leftOut.push_back(l.field + " " + l.onlyIn);
    EXPECT_EQ(leftOut, c.leftOut);
  }
}

TEST(Diff, TableShowsBothValuesAligned) {
  const model::DiffResult result = model::CompareFacts(Machine("7.1.12.0", 32), Machine("7.1.14.0", 64));
  const std::string text = model::DiffAsText(result, {"old.json", "json", ""}, {"SysInfo.log", "report", "2 of 2"});
  EXPECT_NE(text.find("A: old.json (JSON output)\nB: SysInfo.log (SysInfo.log, report 2 of 2)\n"), std::string::npos);
  EXPECT_NE(text.find("FIELD                                            A         B\n"
                      "drivers[ELXSTOR.sys].version                     7.1.12.0  7.1.14.0\n"
                      "adapters[Emulex StorPort].parameters.QueueDepth  32        64\n"),
            std::string::npos)
      << text;
  const Json json = model::DiffAsJson(result, {"a", "json", ""}, {"b", "root", ""});
  EXPECT_FALSE(json["equal"].get<bool>());
  EXPECT_EQ(json["differences"][1]["b"], 64);
}

}  // namespace
